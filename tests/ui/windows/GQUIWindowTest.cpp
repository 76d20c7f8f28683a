// The base window's hooks and geometry in the UI settings file.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QPointer>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "../messages/ModalDriver.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "ui/layer/GQUILayer.h"
#include "ui/windows/GQUIWindow.h"
#include "core/signals/GSimpleBoolState.h"
#include "support/UnprivilegedChild.h"

namespace {

std::vector<int> sHooks;
void Start(void*) { sHooks.push_back(1); }
void Stop(void*) { sHooks.push_back(-1); }

// Makes a file unreadable for this thread: mode 000 and, for root (whom modes do not stop),
// the file-system user id of an unprivileged user while this lives. The folder is opened for
// others meanwhile, so the file is found but cannot be read.
class UnreadableFile {
public:
    UnreadableFile(QString const& folder, QString const& file) : mFolder(folder), mFile(file) {
        QByteArray const folderPath = QFile::encodeName(folder);
        QByteArray const filePath = QFile::encodeName(file);
        struct stat info {};
        if (stat(folderPath.constData(), &info) == 0)
            mFolderMode = info.st_mode & 07777;
        chmod(folderPath.constData(), 0755);
        chmod(filePath.constData(), 0);
        if (geteuid() == 0)
            mOldFsuid = setfsuid(UnprivilegedChild::Uid());
        int const fd = open(filePath.constData(), O_RDONLY);
        mErrno = fd < 0 ? errno : 0;
        if (fd >= 0)
            close(fd);
    }
    ~UnreadableFile() {
        if (mOldFsuid >= 0)
            setfsuid(static_cast<uid_t>(mOldFsuid));
        chmod(QFile::encodeName(mFile).constData(), 0600);
        chmod(QFile::encodeName(mFolder).constData(), mFolderMode);
    }
    UnreadableFile(UnreadableFile const&) = delete;
    UnreadableFile& operator=(UnreadableFile const&) = delete;

    // The file is there and opening it is refused.
    bool Denied() const { return mErrno == EACCES; }
    std::string Why() const { return mErrno == 0 ? "it opens" : std::strerror(mErrno); }

private:
    QString mFolder;
    QString mFile;
    mode_t mFolderMode = 0700;
    int mOldFsuid = -1;
    int mErrno = 0;
};

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

// A handler that throws inside the window's loop, under an application that lets the exception
// through Qt's loop (as a host's own application may): exec ends by the exception, the hooks are
// balanced, the window is hidden and no longer modal, and it can be run again.
TEST_F(Window, AnExceptionThatLeavesExecStopsTheLoopAndTheWindowRunsAgain) {
    GQUIWindow window("Title", true, nullptr);
    WhenModal([](QWidget*) { throw std::runtime_error("a handler failed"); });
    EXPECT_THROW(window.exec(), std::runtime_error);
    EXPECT_EQ(sHooks, (std::vector<int>{1, -1}));
    EXPECT_EQ(GQUILayer::GetOpenModalLoopCount(), 0);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    EXPECT_EQ(window.exec(), int(QDialog::Accepted));
    EXPECT_EQ(sHooks, (std::vector<int>{1, -1, 1, -1}));
    EXPECT_EQ(GQUILayer::GetOpenModalLoopCount(), 0);
}

// A window deleted inside its own loop (by a handler, or closed with delete-on-close) ends exec
// as rejected, with its stop hook called once.
TEST_F(Window, AWindowDeletedInsideItsExecEndsItRejectedWithOneStop) {
    struct Case {
        char const* name;
        bool deleteOnClose;
    } const cases[] = {{"deleted by a handler", false}, {"closed with delete-on-close", true}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        sHooks.clear();
        QPointer<GQUIWindow> window = new GQUIWindow("Title", true, nullptr);
        window->setAttribute(Qt::WA_DeleteOnClose, c.deleteOnClose);
        if (c.deleteOnClose)
            WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
        else
            WhenModal([](QWidget* w) { delete w; });
        int const result = window->exec();
        if (c.deleteOnClose) {
            EXPECT_EQ(result, int(QDialog::Accepted));
        } else {
            EXPECT_EQ(result, int(QDialog::Rejected));
        }
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(sHooks, (std::vector<int>{1, -1}));
        EXPECT_EQ(GQUILayer::GetOpenModalLoopCount(), 0);
    }
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
    enum Kind { kCorrupt, kNotGeometry, kFolder, kUnreadable };
    struct Case {
        Kind kind;
        char const* name;
    } const cases[] = {{kCorrupt, "corrupt content"},
                       {kNotGeometry, "a stored value that is not geometry"},
                       {kFolder, "a folder in the file's place"},
                       {kUnreadable, "a file that cannot be read"}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(mFile);
        QDir(mFile).removeRecursively();
        GQUIWindow window("Title", false, nullptr);
        window.SetWindowIdentifier(GString("probe"));
        std::unique_ptr<UnreadableFile> unreadable;
        switch (c.kind) {
        case kCorrupt: {
            QFile file(mFile);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("\xff\xfe[Geometry\n\x01\x02=\n====\n[[[");
            break;
        }
        case kNotGeometry:
            QSettings(mFile, QSettings::IniFormat).setValue("Geometry/probe-never", 1);
            window.resize(300, 200);
            window.show();
            window.hide();
            QSettings(mFile, QSettings::IniFormat).setValue(window.GetSettingsKey(), QByteArray("garbage"));
            break;
        case kFolder:
            ASSERT_TRUE(QDir().mkpath(mFile));
            break;
        case kUnreadable: {
            // Real geometry away from the centre, which a readable file would bring back. It is
            // written through another file and copied in: Qt keeps what it read of a file and
            // serves that while the file is unchanged, readable or not.
            QString const source = mFolder.filePath("source.ini");
            GQUILayer::SetPrefFileName(GQStringSupport::ToGPathName(source));
            QString key;
            {
                GQUIWindow writer("Title", false, nullptr);
                writer.SetWindowIdentifier(GString("probe"));
                writer.resize(300, 200);
                writer.show();
                writer.move(writer.pos() + QPoint(53, 29));
                writer.hide();
                key = writer.GetSettingsKey();
            }
            GQUILayer::SetPrefFileName(GQStringSupport::ToGPathName(mFile));
            ASSERT_TRUE(QSettings(source, QSettings::IniFormat).contains(key));
            ASSERT_TRUE(QFile::copy(source, mFile));
            unreadable = std::make_unique<UnreadableFile>(mFolder.path(), mFile);
            if (!unreadable->Denied())
                GTEST_SKIP() << "the settings file stays readable here: " << unreadable->Why();
            break;
        }
        }
        window.resize(300, 200);
        window.move(0, 0);
        window.show();
        EXPECT_TRUE(IsCentred(window));
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
