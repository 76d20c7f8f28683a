#include "printer-processor/GPPStandInOptions.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A decimal number from 0 to most, digits only.
bool ReadNumber(const char* text, long most, int& value) {
    if (text == nullptr || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed > most)
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

// A GUID is one folder name of the package cache.
bool IsGUID(const std::string& text) {
    if (text.empty() || text.size() > 64)
        return false;
    for (char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
            return false;
    }
    return true;
}

}  // namespace

const char* GPPStandInOptions::Usage() {
    return "usage: PrinterProcessor --output FILE [--folder DIR] [--no-read | --read-after MS] "
           "[--die-holding-lock | --stop-holding-lock] [--register-twice]\n"
           "       PrinterProcessor --make-trovelor NAME --job-options FILE [--setting KEY=VALUE]... "
           "[--build N] [--guid GUID] [--pdf-settings TEXT] [--package FILE]";
}

bool GPPStandInOptions::ParseTrovelor(int argc, char** argv, std::string& error) {
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 >= argc || *argv[i + 1] == '\0') {
            error = option + " needs a value";
            return false;
        }
        const std::string value = argv[i + 1];
        if (option == "--make-trovelor") {
            mTrovelorName = value;
        } else if (option == "--job-options") {
            mJobOptions = value;
        } else if (option == "--setting") {
            const std::string::size_type equals = value.find('=');
            if (equals == std::string::npos || equals == 0) {
                error = "--setting needs KEY=VALUE";
                return false;
            }
            mSettings.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        } else if (option == "--build") {
            if (!ReadNumber(value.c_str(), 999999999, mBuildNumber)) {
                error = "--build needs a number";
                return false;
            }
        } else if (option == "--guid") {
            if (!IsGUID(value)) {
                error = "--guid needs letters, digits, '-' or '_'";
                return false;
            }
            mGUID = value;
        } else if (option == "--pdf-settings") {
            mPDFSettings = value;
        } else if (option == "--package") {
            mPackage = value;
        } else {
            error = "unknown option " + option + " with --make-trovelor";
            return false;
        }
    }
    if (mJobOptions.empty()) {
        error = "--make-trovelor needs --job-options";
        return false;
    }
    return true;
}

bool GPPStandInOptions::Parse(int argc, char** argv, std::string& error) {
    if (argc > 1 && std::string(argv[1]) == "--make-trovelor")
        return ParseTrovelor(argc, argv, error);
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
            if (!ReadNumber(value, 3600000, mReadAfterMs)) {
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
