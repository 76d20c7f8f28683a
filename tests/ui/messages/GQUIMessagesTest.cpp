// Message boxes and password windows, driven with real key and mouse events.
#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <vector>

#include "core/text/GStringPool.h"
#include "ModalDriver.h"
#include "services/messages/GUserMessage.h"
#include "ui/layer/GQUILayer.h"
#include "ui/layer/GQUILayerStrings.h"
#include "ui/messages/GCSPUUserMessage.h"
#include "ui/messages/GQUIAlertWindow.h"
#include "ui/messages/GQUICreatePasswordDialog.h"
#include "ui/messages/GQUIPasswordWindow.h"
#include "ui/messages/GQUIPrefAlertDialog.h"
#include "ui/messages/GQUIUserMessage.h"

namespace {

std::vector<int> sHookCalls;
void StartHook(void*) { sHookCalls.push_back(+1); }
void StopHook(void*) { sHookCalls.push_back(-1); }

// Records errors instead of showing them.
class RecordingMessage : public GQUIUserMessage {
public:
    static int sErrors;
    void ShowErrorMessage(GString const&, GString const&) const override { ++sErrors; }
};
int RecordingMessage::sErrors = 0;

class Messages : public ::testing::Test {
protected:
    void SetUp() override {
        GQUILayerStrings::Register();
        sHookCalls.clear();
        GQUILayer::SetStartModalLoopHandler(StartHook);
        GQUILayer::SetStopModalLoopHandler(StopHook);
        GUserMessage::SetInstance(new RecordingMessage);
        RecordingMessage::sErrors = 0;
    }
    void TearDown() override {
        GUserMessage::SetInstance(nullptr);
        GQUILayer::SetStartModalLoopHandler(nullptr);
        GQUILayer::SetStopModalLoopHandler(nullptr);
        EXPECT_EQ(GQUILayer::GetOpenModalLoopCount(), 0);
    }
    static void ExpectBalancedHooks(size_t loops) {
        ASSERT_EQ(sHookCalls.size(), 2 * loops);
        int depth = 0;
        for (int call : sHookCalls) {
            depth += call;
            EXPECT_GE(depth, 0);
        }
        EXPECT_EQ(depth, 0);
    }
};

void ClickButton(QWidget* window, QDialogButtonBox::StandardButton which) {
    auto* box = window->findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}

void TypeInto(QLineEdit* field, QString const& text) {
    field->setFocus();
    QTest::keyClicks(field, text);
}

}  // namespace

TEST_F(Messages, WarningReturnsZeroOnlyForOkAndCallsHooksAroundTheBox) {
    GQUIUserMessage const message;
    WhenModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(message.ShowWarningMessage("Title", "Text"), 0);
    WhenModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(message.ShowWarningMessage("Title", "Text"), 1);
    ExpectBalancedHooks(2);
}

TEST_F(Messages, ShowMessageAsksTheInstalledInstanceForAWarning) {
    WhenModal([](QWidget* box) {
        auto* messageBox = qobject_cast<QMessageBox*>(box);
        ASSERT_NE(messageBox, nullptr);
        EXPECT_EQ(messageBox->icon(), QMessageBox::Warning);
        QTest::mouseClick(messageBox->button(QMessageBox::Cancel), Qt::LeftButton);
    });
    EXPECT_EQ(GUserMessage::GetInstance()->ShowMessage("Title", "Text"), 1);
}

TEST_F(Messages, OutsideTextsAreShownAsPlainText) {
    for (bool plugin : {false, true}) {
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        WhenModal([&](QWidget* box) {
            auto* messageBox = qobject_cast<QMessageBox*>(box);
            shown = messageBox->text();
            format = messageBox->textFormat();
            QTest::keyClick(box, Qt::Key_Return);
        });
        GString const name("<b>Report</b> <img src=\"x\">.indd");
        if (plugin)
            GCSPUUserMessage().ShowInfoMessage("Title", name);
        else
            GQUIUserMessage().ShowInfoMessage("Title", name);
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_EQ(shown, QString("<b>Report</b> <img src=\"x\">.indd"));
    }
}

TEST_F(Messages, PluginWarningAnswersAndCallsNoHooks) {
    GCSPUUserMessage const message;
    WhenModal([](QWidget* box) {
        QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok), Qt::LeftButton);
    });
    EXPECT_EQ(message.ShowWarningMessage("Title", "Text"), 0);
    WhenModal([](QWidget* box) {
        QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Cancel), Qt::LeftButton);
    });
    EXPECT_EQ(message.ShowWarningMessage("Title", "Text"), 1);
    EXPECT_TRUE(sHookCalls.empty());
}

TEST_F(Messages, AlertWithOnlyAYesTextShowsOneButton) {
    WhenModal([](QWidget* box) {
        auto* messageBox = qobject_cast<QMessageBox*>(box);
        EXPECT_EQ(messageBox->buttons().size(), 1);
        EXPECT_EQ(messageBox->button(QMessageBox::Yes)->text(), QString("Go"));
        QTest::mouseClick(messageBox->button(QMessageBox::Yes), Qt::LeftButton);
    });
    EXPECT_EQ(GQUIAlertWindow::ShowDialog("T", "X", GQUIAlertWindow::kWarning, "Go", GString(), GString(), GString()),
              1);
    WhenModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(GQUIAlertWindow::ShowDialog("T", "X", GQUIAlertWindow::kWarning, "Go", "Stop", "All", "Cancel"), 2);
    ExpectBalancedHooks(2);
}

TEST_F(Messages, PasswordWindowGivesTheTypedPasswordOrNothing) {
    WhenModal([](QWidget* window) {
        TypeInto(static_cast<GQUIPasswordWindow*>(window)->GetPasswordField(), "s3cret");
        ClickButton(window, QDialogButtonBox::Ok);
    });
    GBuffer password;
    EXPECT_EQ(GQUIUserMessage().ShowPasswordDialog("Open", "Password for <i>x</i>", password), 1);
    EXPECT_EQ(password, GBuffer("s3cret"));

    WhenModal([](QWidget* window) {
        TypeInto(static_cast<GQUIPasswordWindow*>(window)->GetPasswordField(), "typed");
        ClickButton(window, QDialogButtonBox::Cancel);
    });
    GString text("left over");
    EXPECT_FALSE(GQUIPasswordWindow::ShowDialog("Open", "Password", text));
    EXPECT_TRUE(text.IsEmpty());
    ExpectBalancedHooks(2);
}

TEST_F(Messages, CreatePasswordAsksAgainAfterAMismatchUntilCancelled) {
    // Several mismatches in a row, then cancel: one window at a time, each reported once.
    constexpr int kMismatches = 3;
    std::function<void(QWidget*, int)> drive = [&](QWidget* window, int round) {
        auto* dialog = static_cast<GQUICreatePasswordDialog*>(window);
        if (round == kMismatches) {
            ClickButton(window, QDialogButtonBox::Cancel);
            return;
        }
        TypeInto(dialog->GetPasswordField(), "one");
        TypeInto(dialog->GetConfirmField(), "two");
        WhenModal([&, round](QWidget* next) { drive(next, round + 1); }, window);
        ClickButton(window, QDialogButtonBox::Ok);
    };
    WhenModal([&](QWidget* window) { drive(window, 0); });
    GString password("old");
    EXPECT_EQ(GQUIUserMessage().CreatePasswordDialog("New", "Choose", password), 0);
    EXPECT_TRUE(password.IsEmpty());
    EXPECT_EQ(RecordingMessage::sErrors, kMismatches);
    ExpectBalancedHooks(kMismatches + 1);
}

TEST_F(Messages, CreatePasswordWithMatchingEntries) {
    WhenModal([](QWidget* window) {
        auto* dialog = static_cast<GQUICreatePasswordDialog*>(window);
        TypeInto(dialog->GetPasswordField(), "same");
        TypeInto(dialog->GetConfirmField(), "same");
        ClickButton(window, QDialogButtonBox::Ok);
    });
    GString password;
    EXPECT_TRUE(GQUICreatePasswordDialog::ShowDialog("New", "Choose", password));
    EXPECT_EQ(password, GString("same"));
    EXPECT_EQ(RecordingMessage::sErrors, 0);
}

TEST_F(Messages, RememberedAnswersSkipTheDialog) {
    GTriState accepted = GQUIPrefAlertDialogBase::kAccepted;
    GTriState declined = GQUIPrefAlertDialogBase::kDeclined;
    GTriState odd = 7;
    EXPECT_EQ(GQUIPrefAlertDialog::ShowDialog("T", "X", "", "", "Box", true, true, true, accepted), 1);
    EXPECT_EQ(GQUIPrefAlertDialog::ShowDialog("T", "X", "", "", "Box", true, true, true, declined), 0);
    EXPECT_EQ(GQUIPrefAlertDialog::ShowDialog("T", "X", "", "", "Box", true, true, true, odd), 0);
    EXPECT_TRUE(sHookCalls.empty());
}

TEST_F(Messages, DontShowAgainIsKeptOnlyWhenCheckedAndAccepted) {
    GQUIUserMessage const message;
    auto answer = [](QDialogButtonBox::StandardButton which) {
        WhenModal([which](QWidget* window) {
            auto* dialog = static_cast<GQUIPrefAlertDialogBase*>(window);
            QTest::mouseClick(dialog->GetCheckBox(), Qt::LeftButton);
            ClickButton(window, which);
        });
    };
    bool dontShow = false;
    answer(QDialogButtonBox::Cancel);
    EXPECT_EQ(message.ShowPreferenceMessage("T", "X", dontShow, true), 1);
    EXPECT_FALSE(dontShow);
    answer(QDialogButtonBox::Ok);
    EXPECT_EQ(message.ShowPreferenceMessage("T", "X", dontShow, true), 0);
    EXPECT_TRUE(dontShow);
    EXPECT_EQ(message.ShowPreferenceMessage("T", "X", dontShow, true), 0);
    ExpectBalancedHooks(2);
}
