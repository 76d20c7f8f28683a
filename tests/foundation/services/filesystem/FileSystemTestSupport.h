#pragma once
// Shared helpers of the file-system tests: paths from UTF-8, files with content, modes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/base/GException.h"
#include "services/filesystem/GFileSystem.h"
#include "support/ExceptionTestText.h"
#include "support/ScopedTempFolder.h"

inline GPathName PathOf(std::string const& utf8) {
    StartFoundation();
    GPathName path;
    path.SetMachOPathString(GString(utf8.c_str(), GUTF8Encoding::GetInstance()));
    return path;
}

inline std::string Utf8(GPathName const& path) { return Text(path.GetNativePathString()); }

inline void WriteFile(std::string const& path, std::string const& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadFile(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline bool Exists(std::string const& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

inline int ModeOf(std::string const& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

// The id of the GException that call throws; 0 when it throws none.
template <class Call>
int ThrownID(Call const& call) {
    try {
        call();
    } catch (GException const& e) {
        return e.GetExceptionID();
    }
    return 0;
}

// Sets the process umask for one test.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : mOld(umask(mask)) {}
    ~ScopedUmask() { umask(mOld); }

private:
    mode_t mOld;
};
