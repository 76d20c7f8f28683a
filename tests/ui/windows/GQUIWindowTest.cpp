// The base window's hooks and geometry in the UI settings file.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>

#include <vector>

#include "../messages/ModalDriver.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "ui/layer/GQUILayer.h"
#include "ui/windows/GQUIWindow.h"
#include "core/signals/GSimpleBoolState.h"

namespace {

std::vector<int> sHooks;
void Start(void*) { sHooks.push_back(1); }
void Stop(void*) { sHooks.push_back(-1); }

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        mFile = mFolder.filePath("UIGeometrySettingsQt5.ini");
        GQUILayer::SetPrefFileName(GQStringSupport::ToGPathName(mFile));
        sHooks.clear();
        GQUILayer::SetStartModalLoopHandler(Start);
        GQUILayer::SetStopModalLoopHandler(Stop);
    }
    void TearDown() override {
        GQUILayer::SetPrefFileName(GPathName());
        GQUILayer::SetStartModalLoopHandler(nullptr);
        GQUILayer::SetStopModalLoopHandler(nullptr);
    }
    static bool IsCentred(QWidget const& window) {
        QRect const screen = QGuiApplication::primaryScreen()->geometry();
        return qAbs(window.frameGeometry().center().x() - screen.center().x()) <= 1 &&
               qAbs(window.frameGeometry().center().y() - screen.center().y()) <= 1;
    }

    QTemporaryDir mFolder;
    QString mFile;
};

}  // namespace

TEST_F(Window, ModalExecCallsEachHookOnce) {
    {
        GQUIWindow window("Title", true, nullptr);
        WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        window.exec();
        EXPECT_EQ(sHooks, (std::vector<int>{1, -1}));
    }
    EXPECT_EQ(sHooks, (std::vector<int>{1, -1}));
    EXPECT_EQ(GQUILayer::GetOpenModalLoopCount(), 0);
}

TEST_F(Window, GeometryComesBackForTheSameKeyAndAPlainWindowIsKeyedByItsType) {
    QPoint moved;
    {
        GQUIWindow window("Title", false, nullptr);
        window.resize(300, 200);
        window.show();
        EXPECT_NE(window.GetSettingsKey(), QString("Geometry/GQUIWindow"));
        window.move(window.pos() + QPoint(37, 21));
        moved = window.pos();
        window.hide();
    }
    GQUIWindow again("Title", false, nullptr);
    again.show();
    EXPECT_EQ(again.pos(), moved);
}

TEST_F(Window, SavingSwitchedOffWritesNothing) {
    {
        GQUIWindow window("Title", false, nullptr);
        window.SetSaveLoadGeometry(false);
        window.show();
        window.hide();
    }
    EXPECT_FALSE(QFile::exists(mFile));
}

TEST_F(Window, UnusableSettingsFilesCentreTheWindow) {
    // A corrupt file, a stored value that is not geometry, and a folder in the file's place.
    for (int round = 0; round < 3; ++round) {
        QFile::remove(mFile);
        QDir(mFile).removeRecursively();
        GQUIWindow window("Title", false, nullptr);
        window.SetWindowIdentifier(GString("probe"));
        if (round == 0) {
            QFile file(mFile);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("\xff\xfe[Geometry\n\x01\x02=\n====\n[[[");
        } else if (round == 1) {
            QSettings(mFile, QSettings::IniFormat).setValue("Geometry/probe-never", 1);
            window.resize(300, 200);
            window.show();
            window.hide();
            QSettings(mFile, QSettings::IniFormat).setValue(window.GetSettingsKey(), QByteArray("garbage"));
        } else {
            ASSERT_TRUE(QDir().mkpath(mFile));
        }
        window.resize(300, 200);
        window.move(0, 0);
        window.show();
        EXPECT_TRUE(IsCentred(window)) << "round " << round;
        window.hide();
    }
}

TEST_F(Window, ABoundStateAndTheWindowFollowEachOther) {
    GQUIWindow window("Title", false, nullptr);
    GSimpleBoolState state(false);
    window.SetVisibleState(&state);

    state.SetValue(true);
    EXPECT_TRUE(window.isVisible());
    window.hide();
    EXPECT_FALSE(state.GetValue());
    window.show();
    EXPECT_TRUE(state.GetValue());
    state.SetValue(false);
    EXPECT_FALSE(window.isVisible());

    // Unbound, the two go their own ways.
    window.SetVisibleState(nullptr);
    EXPECT_EQ(state.GetObserverCount(), 0);
    state.SetValue(true);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(Window, AStateDeletedBeforeTheWindowIsForgotten) {
    GQUIWindow window("Title", false, nullptr);
    GSimpleBoolState other;
    {
        GSimpleBoolState state;
        window.SetVisibleState(&state);
        window.SetVisibleState(&other);  // the first link goes
        EXPECT_EQ(state.GetObserverCount(), 0);
        GSimpleBoolState* gone = new GSimpleBoolState;
        window.SetVisibleState(gone);
        delete gone;
    }
    window.show();
    window.hide();
    EXPECT_FALSE(other.GetValue());
}
