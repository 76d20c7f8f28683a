#pragma once
// Plain POSIX file helpers for the file-system tests: writing and reading whole files, whether an
// item is there (links included, never followed), its permission bits, and a scoped umask.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

// Replaces the file's contents (a new file gets 0600); throws when the file cannot be written.
inline void WriteFile(std::string const& path, std::string const& contents) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot write the test file " + path);
    const bool whole = write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
    close(fd);
    if (!whole)
        throw std::runtime_error("short write of the test file " + path);
}

// The file's contents; "<missing>" when it cannot be opened, so that a missing file never reads
// as an empty one.
inline std::string ReadFile(std::string const& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<missing>";
    std::string contents;
    char block[4096];
    ssize_t n;
    while ((n = read(fd, block, sizeof block)) > 0)
        contents.append(block, static_cast<std::size_t>(n));
    close(fd);
    return contents;
}

inline bool Exists(std::string const& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

// The permission bits; -1 when there is no item.
inline int ModeOf(std::string const& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

// Sets the process umask for one test.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : mOld(umask(mask)) {}
    ~ScopedUmask() { umask(mOld); }
    ScopedUmask(ScopedUmask const&) = delete;
    ScopedUmask& operator=(ScopedUmask const&) = delete;

private:
    mode_t mOld;
};
