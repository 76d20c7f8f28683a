#pragma once
// The plug-in object: what a plug-in's exported `extern "C" PlugIn* GetPlugIn()` hands the
// host. It names the plug-in and lists the interfaces of the boss classes that the plug-in adds
// (in place of the host's resource files); the host makes those classes' objects from the
// factory records that the plug-in announced.
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
