#pragma once
// Confines the job paths of received notices to one folder before any file is touched: a path
// must be absolute, lie below the folder, hold no "." or ".." component, and every component
// below the folder is opened without following a symbolic link. A notice comes from any process
// of the machine, so its path is never trusted.
#include <string>

class GPPJobPathGuard {
public:
    enum Verdict { kAccepted, kRefused, kMissing };

    // The folder must exist; IsUsable is false otherwise.
    explicit GPPJobPathGuard(const std::string& folder);
    ~GPPJobPathGuard();
    GPPJobPathGuard(const GPPJobPathGuard&) = delete;
    GPPJobPathGuard& operator=(const GPPJobPathGuard&) = delete;

    bool IsUsable() const { return mFolderFD >= 0; }
    // Accepted: detail is the file's size in bytes, or "folder". Otherwise the reason.
    Verdict Check(const std::string& path, std::string& detail) const;

private:
    // The components below the folder, or false when the path is not confined to it.
    bool SplitBelowFolder(const std::string& path, std::string& below, std::string& reason) const;
    Verdict OpenBelow(const std::string& below, std::string& detail) const;

    std::string mFolder;
    std::string mRealFolder;
    int mFolderFD = -1;
};
