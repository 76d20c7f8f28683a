#include "plugin/saveas/GCPTSaveAsProperties.h"

#include "core/base/GException.h"
#include "plugin/tools/ZARidizoTools.h"

GCPTSaveAsProperties::GCPTSaveAsProperties(GString const& name)
    : mName(name),
      mProjectPrefs(new GPrefMemoryModule),
      mSettings(new GGPCPluginCSSettings(*mProjectPrefs)) {
    ReadProjectProperties();
}

GCPTSaveAsProperties::GCPTSaveAsProperties(GCPTSaveAsProperties const& other)
    : mName(other.mName),
      mJobOptions(other.mJobOptions),
      mJobOptionsFolder(other.mJobOptionsFolder),
      mProjectPrefs(new GPrefMemoryModule),
      mSettings(new GGPCPluginCSSettings(*mProjectPrefs)),
      mHasRange(other.mHasRange),
      mRange(other.mRange),
      mBuildNumber(other.mBuildNumber) {
    mProjectPrefs->UpdateWith(other.mProjectPrefs.Get());
}

GCPTSaveAsProperties::~GCPTSaveAsProperties() {
    try {
        mProjectPrefs->FlushPrefs();
    } catch (...) {
        // A memory module writes no file; nothing is lost when its commit fails here.
    }
}

void GCPTSaveAsProperties::ReadProjectProperties() {
    // The dialog makes a request on every choice, inside Qt's event loop: a registry that cannot
    // be read leaves the request empty, and the export then reports the failure.
    try {
        GPathName jobOptions;
        int buildNumber = 0;
        ZARidizoTools::ExtractedFolder folder;
        ZARidizoTools::GetProjectProperties(mName, jobOptions, *mProjectPrefs, buildNumber, folder);
        mJobOptions = jobOptions;
        mJobOptionsFolder = folder;
        mBuildNumber = buildNumber;
    } catch (GException const&) {
        ReleaseJobOptions();
        mBuildNumber = 0;
        ForgetProjectPreferences();
    }
}

void GCPTSaveAsProperties::ForgetProjectPreferences() noexcept {
    try {
        GTable<GBuffer> groups;
        mProjectPrefs->GetGroupNames(groups);
        for (GBuffer const& group : groups)
            mProjectPrefs->RemoveGroup(group);
    } catch (GException const&) {
        // Out of memory while emptying: what stays is what the package held.
    }
}

void GCPTSaveAsProperties::ReleaseJobOptions() {
    mJobOptions.Clear();
    mJobOptionsFolder.reset();
}

void GCPTSaveAsProperties::SetPageRange(GString const& range) {
    mHasRange = 1;
    mRange = range;
}
