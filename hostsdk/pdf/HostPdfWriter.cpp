#include "hostsdk/pdf/HostPdfWriter.h"

#include <QBuffer>
#include <QDateTime>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "hostsdk/pdf/HostPdfBoxes.h"
#include "hostsdk/pdf/HostPdfPainter.h"
#include "hostsdk/trace/HostCallLog.h"

namespace {

// A file made with a unique name beside `target`, removed when the object goes unless kept.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) {
        const std::string::size_type slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
        std::string pattern = folder + "/.pdf-part-XXXXXX";
        mDescriptor = mkstemp(&pattern[0]);
        if (mDescriptor < 0)
            return;
        // mkstemp makes the file 0600; the PDF gets the mode any new file of the user gets.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(mDescriptor, 0666 & ~mask);
        mPath = pattern;
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (mDescriptor >= 0)
            close(mDescriptor);
        if (!mPath.empty())
            unlink(mPath.c_str());
    }
    const std::string& Path() const { return mPath; }
    bool Made() const { return !mPath.empty(); }
    void Keep() { mPath.clear(); }

    bool Write(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t written = write(mDescriptor, data, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }
    // Closes the file; false when what was written did not reach it.
    bool Close() {
        const int descriptor = mDescriptor;
        mDescriptor = -1;
        return close(descriptor) == 0;
    }

private:
    std::string mPath;
    int mDescriptor = -1;
};

// The Qt application that drawing needs, made when the process has none.
class GuiApplication {
public:
    GuiApplication() {
        if (QCoreApplication::instance() != nullptr)
            return;
        mArguments = {"trovel-host"};
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            mArguments.push_back("-platform");
            mArguments.push_back("offscreen");
        }
        for (std::string& argument : mArguments)
            mPointers.push_back(&argument[0]);
        mCount = static_cast<int>(mPointers.size());
        mApplication = std::make_unique<QGuiApplication>(mCount, mPointers.data());
    }
    bool CanDraw() const { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

private:
    std::vector<std::string> mArguments;
    std::vector<char*> mPointers;
    int mCount = 0;
    std::unique_ptr<QGuiApplication> mApplication;
};

QPageSize SizeOf(const HostPdfSheet& sheet) {
    // Whole points up: the exact size goes into the media box afterwards.
    return QPageSize(QSizeF(std::ceil(sheet.width), std::ceil(sheet.height)), QPageSize::Point, QString(),
                     QPageSize::ExactMatch);
}

bool Draw(QIODevice& pdf, const std::string& title, const std::vector<HostPdfSheet>& sheets,
          const HostPdfSettings& settings, std::string& error) {
    QPdfWriter writer(&pdf);
    writer.setTitle(QString::fromStdString(title));
    writer.setCreator(QStringLiteral("trovel-host"));
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    writer.setPageSize(SizeOf(sheets.front()));
    QPainter painter;
    if (!painter.begin(&writer)) {
        error = "cannot draw the PDF";
        return false;
    }
    const std::string date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm")).toStdString();
    HostPdfPainter sheetPainter(painter, settings);
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (i > 0) {
            writer.setPageSize(SizeOf(sheets[i]));
            writer.newPage();
        }
        if (HostCallLog::Enter("HostPdfWriter::DrawPage", std::to_string(i + 1))) {
            painter.end();
            error = "page " + std::to_string(i + 1) + " could not be drawn";
            return false;
        }
        // Qt's page is whole points high and hangs from the top: the sheet sits on its bottom.
        // (Setting the transform the painter has already would still write it again.)
        const QTransform shift = QTransform::fromTranslate(0, std::ceil(sheets[i].height) - sheets[i].height);
        if (painter.transform() != shift)
            painter.setTransform(shift);
        sheetPainter.Draw(sheets[i], date);
    }
    if (!painter.end()) {
        error = "cannot draw the PDF";
        return false;
    }
    return true;
}

}  // namespace

bool HostPdfWriter::Write(const std::string& file, const std::string& title, const std::vector<HostPdfSheet>& sheets,
                          const HostPdfSettings& settings, std::string& error) {
    if (sheets.empty()) {
        error = "no page to write";
        return false;
    }
    GuiApplication application;
    if (!application.CanDraw()) {
        error = "the process's Qt application cannot draw";
        return false;
    }
    TemporaryFile written(file);
    if (!written.Made()) {
        error = "cannot make a file beside " + file;
        return false;
    }
    // Drawn in memory: the boxes' update is appended to the drawn bytes, and the whole is
    // written once.
    QBuffer drawn;
    drawn.open(QIODevice::WriteOnly);
    std::string update;
    if (!Draw(drawn, title, sheets, settings, error) ||
        !HostPdfBoxes::Update(drawn.data().constData(), static_cast<std::size_t>(drawn.data().size()), sheets,
                              update, error))
        return false;
    if (!written.Write(drawn.data().constData(), static_cast<std::size_t>(drawn.data().size())) ||
        !written.Write(update.data(), update.size()) || !written.Close() ||
        std::rename(written.Path().c_str(), file.c_str()) != 0) {
        error = "cannot write " + file;
        return false;
    }
    written.Keep();
    return true;
}
