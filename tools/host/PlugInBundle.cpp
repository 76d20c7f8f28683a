#include "host/PlugInBundle.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>

#include <vector>

#include "hostsdk/boss/PlugIn.h"

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The shared libraries (regular files ending in ".so") of a folder.
std::vector<std::string> LibrariesIn(const std::string& folder) {
    std::vector<std::string> libraries;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return libraries;
    while (const dirent* entry = readdir(listing)) {
        const std::string path = folder + "/" + entry->d_name;
        struct stat info {};
        if (EndsWith(entry->d_name, ".so") && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            libraries.push_back(path);
    }
    closedir(listing);
    return libraries;
}

}  // namespace

bool PlugInBundle::Load(const std::string& bundle, std::string& error) {
    Unload();
    struct stat info {};
    if (stat(bundle.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = "bundle " + bundle + ": no such folder";
        return false;
    }
    const std::string folder = bundle + "/Contents/MacOS";
    const std::vector<std::string> libraries = LibrariesIn(folder);
    if (libraries.size() != 1) {
        error = "bundle " + bundle + ": " + (libraries.empty() ? "no" : "more than one") +
                " library (.so) in Contents/MacOS";
        return false;
    }
    mLibrary = libraries.front();
    // The library stays mapped for the process's life, as in a real host: what its statics hold
    // stays reachable, and reports about it keep their symbols.
    mHandle = dlopen(mLibrary.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (mHandle == nullptr) {
        const char* reason = dlerror();
        error = "bundle " + bundle + ": " + (reason != nullptr ? reason : "the library does not load");
        return false;
    }
    mGetPlugIn = dlsym(mHandle, "GetPlugIn");
    if (mGetPlugIn == nullptr) {
        error = "bundle " + bundle + ": " + mLibrary + " exports no GetPlugIn";
        Unload();
        return false;
    }
    return true;
}

PlugIn* PlugInBundle::GetPlugIn() const {
    if (mGetPlugIn == nullptr)
        return nullptr;
    return reinterpret_cast<GetPlugInFunction>(mGetPlugIn)();
}

void PlugInBundle::Unload() {
    if (mHandle != nullptr)
        dlclose(mHandle);
    mHandle = nullptr;
    mGetPlugIn = nullptr;
}
