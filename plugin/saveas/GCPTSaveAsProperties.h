#pragma once
// GCPTSaveAsProperties: one export request: the Trovelor, its job-options file and project
// preferences (read from its package when the request is made), the adjustments kept in those
// preferences, the page range and the Trovelor's build number. The payload of the export and stop
// signals.
//
// Callers may rely on:
// - A request for an empty name or an unknown Trovelor is empty: no job options, no preferences
//   (every setting reads as absent), build number 0. For a registered Trovelor whose package
//   cannot be read whole, it holds what could be read and the registry's build number. Making
//   one lets no framework exception out; when the registry cannot be read it is empty.
// - A copy has its own preferences with the source's content; adjustments written through
//   GetPluginSettings travel with every later copy. Copying never reads the package.
// - The extracted job-options file is held by the request and its copies: it stays on disk until
//   the last of them ends or releases it (ReleaseJobOptions), and then its folder is deleted.
// Main thread only.
#include "core/memory/GAutoPtr.h"
#include "core/text/GString.h"
#include "plugin/settings/GGPCPluginCSSettings.h"
#include "plugin/tools/ZARidizoTools.h"
#include "services/paths/GPathName.h"
#include "services/preferences/GPrefMemoryModule.h"

class GCPTSaveAsProperties {
public:
    explicit GCPTSaveAsProperties(GString const& name);
    GCPTSaveAsProperties(GCPTSaveAsProperties const& other);
    GCPTSaveAsProperties& operator=(GCPTSaveAsProperties const&) = delete;
    ~GCPTSaveAsProperties();

    GString const& GetName() const { return mName; }
    GPathName const& GetJobOptions() const { return mJobOptions; }
    // Lets go of the job-options file (the path becomes empty); its folder is deleted when no
    // other copy holds it. For an owner that has done with them, such as a finished export.
    void ReleaseJobOptions();
    GPrefMemoryModule const& GetProjectPreferences() const { return *mProjectPrefs; }
    GGPCPluginCSSettings* GetPluginSettings() const { return mSettings.Get(); }

    // 0: every page; 1: the range text applies (as typed, read by the exports).
    int GetHasRange() const { return mHasRange; }
    GString const& GetRange() const { return mRange; }
    void SetPageRange(GString const& range);

    // The build number the registry records for the Trovelor; 0 when unknown.
    int GetBuildNumber() const { return mBuildNumber; }

private:
    void ReadProjectProperties();
    // Drops what a read that failed half-way put into the preferences.
    void ForgetProjectPreferences() noexcept;

    GString mName;
    GPathName mJobOptions;
    ZARidizoTools::ExtractedFolder mJobOptionsFolder;
    GAutoPtr<GPrefMemoryModule> mProjectPrefs;
    GAutoPtr<GGPCPluginCSSettings> mSettings;
    int mHasRange = 0;
    GString mRange;
    int mBuildNumber = 0;
};
