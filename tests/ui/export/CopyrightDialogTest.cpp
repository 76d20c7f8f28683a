// The legal-notices dialog: the notices file turned into HTML paragraph by paragraph, the dialog
// around it, and a notices file that cannot be read.
#include <gtest/gtest.h>

#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTextBrowser>

#include <fstream>
#include <string>

#include "services/messages/GUserMessage.h"
#include "support/PrefTestText.h"
#include "support/ScopedTempFolder.h"
#include "ui/export/CopyrightDialog.h"

using namespace preftest;

namespace {

// Records errors instead of showing them.
class RecordingMessage : public GUserMessage {
public:
    static inline int sErrors = 0;
    static inline std::string sLast;
    void ShowErrorMessage(GString const& title, GString const& message) const override {
        ++sErrors;
        sLast = U8(title) + ": " + U8(message);
    }
};

class Notices : public ::testing::Test {
protected:
    void SetUp() override {
        GUserMessage::SetInstance(new RecordingMessage);
        RecordingMessage::sErrors = 0;
        RecordingMessage::sLast.clear();
    }
    void TearDown() override { GUserMessage::SetInstance(nullptr); }

    std::string WriteFile(std::string const& text) {
        std::ofstream(mPath, std::ios::binary) << text;
        return mPath;
    }

    ScopedTempFolder mFolder;
    std::string mPath = mFolder / "TextInSoftware.txt";
};

QString Html(std::string const& text) { return CopyrightDialog::ConvertNotices(QByteArray::fromStdString(text)); }

}  // namespace

TEST(NoticesText, ParagraphsHeadingsAndTheSeparatorPart) {
    struct Case {
        char const* name;
        std::string text;
        QString html;
    };
    Case const cases[] = {
        {"a heading alone", "This product includes Qt.\n\nnext\n",
         "<p><strong>This product includes Qt.</strong></p>next"},
        {"a heading with a second line", "This product includes Qt.\nand more\n\n",
         "<p>This product includes Qt.and more</p>"},
        {"a rule of dashes ends a paragraph", "one\n-----------\ntwo\n", "<p>one</p>two"},
        {"a line of blanks ends a paragraph", "one\n    \ntwo", "<p>one</p>two"},
        {"a short line is never a heading", "This product includes\n\n", "<p>This product includes</p>"},
        {"the text found later in a line does nothing", "Hello. This product includes Qt.\n\n",
         "<p>Hello. This product includes Qt.</p>"},
        {"the separator part keeps its line ends", "before\n\nFor more legal notices, see below.\nA\n\nB\n",
         "<p>before</p><p><br><br><br>For more legal notices, see below.<br>A<br></p>B<br>"},
        {"escapes", "a & b < c > \"q\" it''s it's\n\n", "<p>a &amp; b &lt; c &gt; &quot;q&quot; it&quot;s it's</p>"},
        {"UTF-8 text", "Copyright Martin Mit\xC3\xA1\xC5\xA1\n\n",
         QString::fromUtf8("<p>Copyright Martin Mit\xC3\xA1\xC5\xA1</p>")},
        {"an empty file", "", ""},
        {"breaks only", "\n\n---\n", ""},
    };
    for (Case const& c : cases)
        EXPECT_EQ(c.html, Html(c.text)) << c.name;
}

TEST(NoticesText, WindowsLineEndsReadAsUnixOnes) {
    std::string const unix = "This product includes Qt.\n\nCopyright.\nMore\n-\nFor more legal notices here\nX\n";
    std::string windows;
    for (char c : unix)
        windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(Html(unix), Html(windows));
    EXPECT_EQ(Html("a\n\nb"), Html("a\r\n\r\nb\r"));
}

TEST_F(Notices, TheDialogShowsTheCopyrightLineAndTheNotices) {
    CopyrightDialog dialog(nullptr, P(WriteFile("This product includes Qt 5.\n\nCopyright The Qt Company.\n")));
    EXPECT_EQ(0, RecordingMessage::sErrors);
    EXPECT_EQ(QString("Copyrights"), dialog.windowTitle());
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(QSize(550, 450), dialog.minimumSize());
    auto* browser = dialog.findChild<QTextBrowser*>("noticesBrowser");
    ASSERT_NE(nullptr, browser);
    EXPECT_TRUE(browser->isReadOnly());
    QString const text = browser->toPlainText();
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("Trovel Export, version 24. Copyright \xC2\xA9 2024 Trovel.")))
        << text.toStdString();
    EXPECT_TRUE(text.contains("This product includes Qt 5.")) << text.toStdString();
    EXPECT_TRUE(browser->toHtml().contains("font-weight:600")) << "the heading is bold";

    auto* done = dialog.findChild<QPushButton*>("doneButton");
    ASSERT_NE(nullptr, done);
    EXPECT_TRUE(done->isDefault());
    QTimer::singleShot(0, [done] { QTest::mouseClick(done, Qt::LeftButton); });
    EXPECT_EQ(QDialog::Accepted, dialog.exec());
    // Shown again, Return presses Done.
    QTimer::singleShot(0, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Return); });
    EXPECT_EQ(QDialog::Accepted, dialog.exec());
}

TEST_F(Notices, AnUnreadableNoticesFileIsReportedAndTheCopyrightLineStays) {
    for (std::string const& path : {mFolder / "missing.txt", mFolder.Path()}) {
        RecordingMessage::sErrors = 0;
        std::unique_ptr<CopyrightDialog> dialog;
        ASSERT_NO_THROW(dialog = std::make_unique<CopyrightDialog>(nullptr, P(path))) << path;
        EXPECT_EQ(1, RecordingMessage::sErrors) << path;
        EXPECT_NE(std::string::npos, RecordingMessage::sLast.find(path)) << RecordingMessage::sLast;
        EXPECT_EQ(0u, RecordingMessage::sLast.find("Copyrights: ")) << RecordingMessage::sLast;
        QString const text = dialog->findChild<QTextBrowser*>()->toPlainText();
        EXPECT_TRUE(text.startsWith("Trovel Export, version 24.")) << text.toStdString();
        EXPECT_FALSE(text.contains("This product includes"));
    }
}
