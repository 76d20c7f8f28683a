#pragma once
// Makes a package folder and its files: a new folder whose parent exists, or an empty one that
// stands there, removed again with all it holds unless the package was made whole (Keep).
#include <string>
#include <vector>

#include "hostsdk/documents/HostDocumentRecord.h"

class HostPackageFolder {
public:
    // False with `error` set when something other than an empty folder stands there, or the
    // folder cannot be made.
    bool Make(const std::string& folder, std::string& error);
    HostPackageFolder() = default;
    HostPackageFolder(const HostPackageFolder&) = delete;
    HostPackageFolder& operator=(const HostPackageFolder&) = delete;
    ~HostPackageFolder();

    bool Write(const std::string& leaf, const std::string& text, std::string& error);
    void Keep() { mFolder.clear(); }

    // The fonts list of documents: one font a line, " (missing)" after a missing one.
    static std::string FontsList(const std::vector<const HostDocumentRecord*>& documents);

private:
    std::string mFolder;
};
