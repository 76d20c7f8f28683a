#include "printer-processor/GPPStandInOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool ReadMilliseconds(const char* text, int& value) {
    if (text == nullptr || *text == '\0')
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < 0 || parsed > 3600000)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

std::string FolderOf(const std::string& file) {
    const std::string::size_type slash = file.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

}  // namespace

const char* GPPStandInOptions::Usage() {
    return "usage: PrinterProcessor --output FILE [--folder DIR] [--no-read | --read-after MS] "
           "[--die-holding-lock | --stop-holding-lock] [--register-twice]";
}

bool GPPStandInOptions::Parse(int argc, char** argv, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (option == "--output" || option == "--folder") {
            if (value == nullptr || *value == '\0') {
                error = option + " needs a value";
                return false;
            }
            (option == "--output" ? mOutput : mFolder) = value;
            ++i;
        } else if (option == "--read-after") {
            if (!ReadMilliseconds(value, mReadAfterMs)) {
                error = "--read-after needs milliseconds";
                return false;
            }
            ++i;
        } else if (option == "--no-read") {
            mNoRead = true;
        } else if (option == "--die-holding-lock") {
            mDieHoldingLock = true;
        } else if (option == "--stop-holding-lock") {
            mStopHoldingLock = true;
        } else if (option == "--register-twice") {
            mRegisterTwice = true;
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    if (mOutput.empty()) {
        error = "--output is required";
        return false;
    }
    if ((mNoRead && mReadAfterMs > 0) || (mDieHoldingLock && mStopHoldingLock)) {
        error = "conflicting options";
        return false;
    }
    if (mFolder.empty())
        mFolder = FolderOf(mOutput);
    return true;
}
