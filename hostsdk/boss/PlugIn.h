#pragma once
// The plug-in object: what a plug-in's exported `extern "C" PlugIn* GetPlugIn()` hands the
// host. It names the plug-in and lists the interfaces of the boss classes that the plug-in adds
// (in place of the host's resource files); the host makes those classes' objects from the
// factory records that the plug-in announced.
//
// The SDK is one shared library, libhostsdk.so, that both the host program and the plug-in's
// library link: the loader maps it once per process, so the host and every plug-in share one
// reference count, one call log with its failure injection, one set of registries and one
// current host. A static copy in each would give each library counts and registries of its own.
#include <string>
#include <utility>
#include <vector>

#include "hostsdk/boss/BossClassEntry.h"

class PlugIn {
public:
    PlugIn(PluginID id, std::string name, std::vector<BossClassEntry> classes)
        : mID(id), mName(std::move(name)), mClasses(std::move(classes)) {}

    PluginID GetPluginID() const { return mID; }
    const std::string& GetName() const { return mName; }
    const std::vector<BossClassEntry>& GetClasses() const { return mClasses; }

private:
    PluginID mID;
    std::string mName;
    std::vector<BossClassEntry> mClasses;
};

// The one function that a plug-in's library exports.
extern "C" {
using GetPlugInFunction = PlugIn* (*)();
}
