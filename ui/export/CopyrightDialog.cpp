#include "ui/export/CopyrightDialog.h"

#include <QtCore/QCoreApplication>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QVBoxLayout>

#include "core/base/GException.h"
#include "core/bytes/GBuffer.h"
#include "core/streams/GBufferedInStreamDecorator.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "ui/support/GQUIPathNameSupport.h"
#include "services/files/GFileInStream.h"
#include "services/filesystem/GFileSystem.h"
#include "services/messages/GUserMessage.h"

namespace {

char const* const cContext = "CopyrightDialog";
constexpr int kReadBuffer = 1024;

QString Translate(char const* text) { return QCoreApplication::translate(cContext, text); }

// Empty, blanks only, or a rule of dashes.
bool IsParagraphBreak(QByteArray const& line) {
    if (line.startsWith('-'))
        return true;
    for (char c : line)
        if (c != ' ')
            return false;
    return true;
}

QByteArray Escape(QByteArray line) {
    line.replace("&", "&amp;");
    line.replace("<", "&lt;");
    line.replace(">", "&gt;");
    line.replace("\"", "&quot;");
    line.replace("''", "&quot;");
    return line;
}

// Builds the HTML paragraph by paragraph, as the notices file lays them out.
class NoticesWriter {
public:
    void Add(QByteArray line) {
        line.replace("\r", "");
        if (IsParagraphBreak(line)) {
            EndParagraph();
            return;
        }
        if (mAtStart && line.size() >= 22) {
            if (line.startsWith("This product includes ")) {
                mHeading = true;
            } else if (line.startsWith("For more legal notices")) {
                mParagraph += "<br><br><br>";
                mSeparator = true;
            }
        }
        mParagraph += Escape(line);
        if (mSeparator)
            mParagraph += "<br>";
        ++mLines;
        mAtStart = false;
    }

    QByteArray Finish() {
        // The last paragraph stands as it is when no break ends it.
        if (!mParagraph.isEmpty())
            mOutput += mParagraph;
        return mOutput;
    }

private:
    void EndParagraph() {
        if (mHeading && mLines == 1)
            mParagraph = "<strong>" + mParagraph + "</strong>";
        if (mLines >= 1)
            mParagraph = "<p>" + mParagraph + "</p>";
        mOutput += mParagraph;
        mParagraph.clear();
        mLines = 0;
        mAtStart = true;
        mHeading = false;
    }

    QByteArray mOutput;
    QByteArray mParagraph;
    int mLines = 0;
    bool mHeading = false;
    bool mAtStart = true;
    bool mSeparator = false;
};

}  // namespace

CopyrightDialog::CopyrightDialog(QWidget* parent) : CopyrightDialog(parent, GetNoticesPath()) {}

CopyrightDialog::CopyrightDialog(QWidget* parent, GPathName const& notices) : QDialog(parent) {
    setWindowTitle(Translate("Copyrights"));
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::CustomizeWindowHint |
                   Qt::WindowStaysOnTopHint | Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint |
                   Qt::WindowTitleHint);
    auto* browser = new QTextBrowser;
    browser->setObjectName("noticesBrowser");
    browser->setHtml(GetCopyrightLine() + NoticesOrNothing(notices));
    browser->setReadOnly(true);
    auto* done = new QPushButton(Translate("Done"));
    done->setObjectName("doneButton");
    done->setDefault(true);
    done->setAutoDefault(true);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser);
    layout->addWidget(done, 0, Qt::AlignHCenter);
    setMinimumSize(550, 450);
}

CopyrightDialog::~CopyrightDialog() = default;

QString CopyrightDialog::GetCopyrightLine() {
    return "<p>" +
           Translate("Trovel Export, version 24. Copyright \u00A9 2024 Trovel. All rights reserved.").toHtmlEscaped() +
           "</p>";
}

GPathName CopyrightDialog::GetNoticesPath() {
    GPathName path;
    GFileSystem::GetDllPath(path);
    path = path.GetBranch().GetBranch();
    path.Append(GString("Resources/Licenses/TextInSoftware.txt"));
    return path;
}

QByteArray CopyrightDialog::ReadNotices(GPathName const& path) {
    GFileInStream file(path);
    GBufferedInStreamDecorator stream(file, kReadBuffer);
    QByteArray bytes;
    GBuffer chunk;
    while (stream.Read(chunk, kReadBuffer) > 0)
        bytes.append(reinterpret_cast<char const*>(chunk.GetPtr()), chunk.GetLength());
    return bytes;
}

QString CopyrightDialog::ConvertNotices(QByteArray const& utf8) {
    QList<QByteArray> lines = utf8.split('\n');
    // A final line end ends the last line; it does not start another.
    if (utf8.isEmpty() || utf8.endsWith('\n'))
        lines.removeLast();
    NoticesWriter writer;
    for (QByteArray const& line : lines)
        writer.Add(line);
    return QString::fromUtf8(writer.Finish());
}

QString CopyrightDialog::NoticesOrNothing(GPathName const& path) const {
    try {
        return ConvertNotices(ReadNotices(path));
    } catch (GException const&) {
        QString const message = Translate("The legal notices could not be read from \"%1\".")
                                    .arg(GQUIPathNameSupport::ConvertToUIQString(path));
        GUserMessage::GetInstance()->ShowErrorMessage(GQStringSupport::ToGString(windowTitle()),
                                                      GQStringSupport::ToGString(message));
        return QString();
    }
}
