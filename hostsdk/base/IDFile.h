#pragma once
// A file as the host names it: a native path.
#include "hostsdk/base/PMString.h"

class IDFile {
public:
    IDFile() = default;
    explicit IDFile(const PMString& path) : mPath(path) {}

    const PMString& GetString() const { return mPath; }
    // The last component of the path; empty when the path ends in "/".
    PMString GetFileName() const;
    bool IsEmpty() const { return mPath.IsEmpty(); }

private:
    PMString mPath;
};
