#include "printer-processor/GPPJobPathGuard.h"
#include "mac/filesystem/PUNIXDescriptor.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

using ScopedFD = PUNIXDescriptor;

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (start <= path.size()) {
        const std::string::size_type slash = path.find('/', start);
        const std::string::size_type end = slash == std::string::npos ? path.size() : slash;
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool StartsBelow(const std::string& path, const std::string& folder, std::string& below) {
    if (folder.empty())
        return false;
    const std::string prefix = folder == "/" ? "/" : folder + "/";
    if (path.compare(0, prefix.size(), prefix) != 0)
        return false;
    below = path.substr(prefix.size());
    return true;
}

GPPJobPathGuard::Verdict ReasonFor(int error, std::string& detail) {
    if (error == ENOENT) {
        detail = "missing";
        return GPPJobPathGuard::kMissing;
    }
    // O_NOFOLLOW gives ELOOP for a link, O_DIRECTORY gives ENOTDIR for a link to a file.
    detail = error == ELOOP || error == ENOTDIR ? "symbolic link" : std::strerror(error);
    return GPPJobPathGuard::kRefused;
}

}  // namespace

GPPJobPathGuard::GPPJobPathGuard(const std::string& folder) : mFolder(WithoutTrailingSlash(folder)) {
    char resolved[PATH_MAX];
    if (realpath(mFolder.c_str(), resolved) == nullptr)
        return;
    mRealFolder = resolved;
    mFolderFD = open(resolved, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

GPPJobPathGuard::~GPPJobPathGuard() {
    if (mFolderFD >= 0)
        close(mFolderFD);
}

bool GPPJobPathGuard::SplitBelowFolder(const std::string& path, std::string& below, std::string& reason) const {
    if (path.empty() || path[0] != '/') {
        reason = "not absolute";
        return false;
    }
    if (path.find('\0') != std::string::npos) {
        reason = "zero byte";
        return false;
    }
    for (const std::string& part : Components(path)) {
        if (part == "." || part == "..") {
            reason = "dot component";
            return false;
        }
    }
    const std::string trimmed = WithoutTrailingSlash(path);
    if (trimmed == mFolder || trimmed == mRealFolder) {
        reason = "the folder itself";
        return false;
    }
    if (!StartsBelow(path, mFolder, below) && !StartsBelow(path, mRealFolder, below)) {
        reason = "outside folder";
        return false;
    }
    if (Components(below).empty()) {
        reason = "the folder itself";
        return false;
    }
    return true;
}

GPPJobPathGuard::Verdict GPPJobPathGuard::OpenBelow(const std::string& below, std::string& detail) const {
    const std::vector<std::string> parts = Components(below);
    ScopedFD current(dup(mFolderFD));
    if (current.Get() < 0)
        return ReasonFor(errno, detail);
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const int next = openat(current.Get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            return ReasonFor(errno, detail);
        current.Reset(next);
    }
    // O_NONBLOCK: a FIFO planted at the path must not hang the receiver.
    const ScopedFD file(openat(current.Get(), parts.back().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0)
        return ReasonFor(errno, detail);
    struct stat info {};
    if (fstat(file.Get(), &info) != 0)
        return ReasonFor(errno, detail);
    if (S_ISDIR(info.st_mode)) {
        detail = "folder";
        return kAccepted;
    }
    if (!S_ISREG(info.st_mode)) {
        detail = "not a regular file";
        return kRefused;
    }
    detail = std::to_string(static_cast<long long>(info.st_size));
    return kAccepted;
}

GPPJobPathGuard::Verdict GPPJobPathGuard::Check(const std::string& path, std::string& detail) const {
    if (!IsUsable()) {
        detail = "no folder";
        return kRefused;
    }
    std::string below;
    if (!SplitBelowFolder(path, below, detail))
        return kRefused;
    return OpenBelow(below, detail);
}
