#pragma once
// GPPSettings: the settings of one actor of the printer processor (an application or a Trovelor
// package that takes jobs) as the registry stores them, plus the build number and the GUID that
// an actor's paths into the package cache (special path 53 / "Trovelor" / "Cache") carry.
//
// Callers may rely on:
// - A new object has empty paths and texts, IsVirtualPrinter and IsPlugin false, IsActive true.
// - GetBuildNumber is the first folder of ApplicationPath below the cache, read as a decimal
//   number; 0 when the path is empty, not below the cache, or on any failure.
// - GetGUID is the first folder of ContextFilePath below the cache's "Settings" folder: false for
//   an empty path or on a failure, true with an empty GUID for a path outside that folder.
// - UpdateGUID changes ContextFilePath only when it held the current GUID; true when the GUID is
//   now newGuid. None of the static operations throws.
#include "core/text/GString.h"
#include "services/paths/GPathName.h"

class GPPSettings {
public:
    GPPSettings() = default;

    static int GetBuildNumber(GPPSettings const& settings);
    static bool GetGUID(GPPSettings const& settings, GString& guid);
    // The same below a settings folder the caller found once for many records.
    static bool GetGUID(GPPSettings const& settings, GPathName const& settingsFolder, GString& guid);
    static bool UpdateGUID(GString const& newGuid, GPPSettings& settings);

    // The package cache ("Trovelor" / "Cache" in special path 53) and its "Settings" folder.
    static GPathName GetCacheFolder();
    static GPathName GetSettingsFolder();

    GPathName ApplicationPath;
    GPathName ContextFilePath;
    bool IsVirtualPrinter = false;
    bool IsPlugin = false;
    GString PDFSettings;
    GString TrovelorName;
    GPathName TrovelorIconPath;
    bool IsActive = true;
};
