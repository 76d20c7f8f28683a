#include "printer-processor/GPPNoticeLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

GPPNoticeLog::GPPNoticeLog(const std::string& path)
    : mFD(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600)) {}

GPPNoticeLog::~GPPNoticeLog() {
    if (mFD >= 0)
        close(mFD);
}

std::string GPPNoticeLog::Escape(const std::string& field) {
    std::string out;
    out.reserve(field.size());
    for (const char c : field) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

bool GPPNoticeLog::Append(const std::initializer_list<std::string>& fields) {
    if (mFD < 0)
        return false;
    std::string line;
    bool first = true;
    for (const std::string& field : fields) {
        if (!first)
            line += '\t';
        first = false;
        line += Escape(field);
    }
    line += '\r';
    // One write per line: with O_APPEND a short write would leave a cut line, so it counts as failed.
    ssize_t written = -1;
    do {
        written = write(mFD, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(line.size()))
        return false;
    return fsync(mFD) == 0;
}
