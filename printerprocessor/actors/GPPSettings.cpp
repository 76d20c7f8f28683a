#include "printerprocessor/actors/GPPSettings.h"

#include "core/base/GException.h"
#include "services/filesystem/GFileSystem.h"

namespace {

constexpr int kPackageCacheRoot = 53;

bool IsUpLevel(GString const& component) { return component == GString(".."); }

// The first component of path taken from folder; empty when path is folder itself or lies
// outside it (a relative path that climbs out is not a component of the folder).
GString FirstComponentBelow(GPathName const& path, GPathName const& folder) {
    GPathName relative = path.GetRelativePathFrom(folder);
    if (relative.IsEmpty() || !relative.IsRelative())
        return GString();
    for (GPathName branch = relative.GetBranch(); !branch.IsEmpty(); branch = relative.GetBranch())
        relative = branch;
    GString first = relative.GetLeaf();
    return IsUpLevel(first) ? GString() : first;
}

// A GUID names one folder: no separator, never "." or "..".
bool IsFolderName(GString const& name) {
    return !name.IsEmpty() && name.FindFirst('/') < 0 && name != GString(".") && !IsUpLevel(name);
}

}  // namespace

GPathName GPPSettings::GetCacheFolder() {
    GPathName folder = GFileSystem::GetSpecialPath(kPackageCacheRoot);
    folder.Append(GString("Trovelor"));
    folder.Append(GString("Cache"));
    return folder;
}

GPathName GPPSettings::GetSettingsFolder() {
    GPathName folder = GetCacheFolder();
    folder.Append(GString("Settings"));
    return folder;
}

int GPPSettings::GetBuildNumber(GPPSettings const& settings) {
    GString number("0");
    if (settings.ApplicationPath.IsEmpty())
        return 0;
    try {
        const GString first = FirstComponentBelow(settings.ApplicationPath, GetCacheFolder());
        if (!first.IsEmpty())
            number = first;
    } catch (GException const&) {
    }
    return number.GetInt32();
}

bool GPPSettings::GetGUID(GPPSettings const& settings, GString& guid) {
    guid.Clear();
    if (settings.ContextFilePath.IsEmpty())
        return false;
    try {
        return GetGUID(settings, GetSettingsFolder(), guid);
    } catch (GException const&) {
        guid.Clear();
        return false;
    }
}

bool GPPSettings::GetGUID(GPPSettings const& settings, GPathName const& settingsFolder, GString& guid) {
    guid.Clear();
    if (settings.ContextFilePath.IsEmpty())
        return false;
    try {
        guid = FirstComponentBelow(settings.ContextFilePath, settingsFolder);
        return true;
    } catch (GException const&) {
        guid.Clear();
        return false;
    }
}

bool GPPSettings::UpdateGUID(GString const& newGuid, GPPSettings& settings) {
    GString current;
    if (!GetGUID(settings, current))
        return false;
    if (newGuid == current)
        return true;
    if (current.IsEmpty() || !IsFolderName(newGuid))
        return false;
    try {
        // Only the GUID's own folder is renamed: the same text elsewhere in the path stays.
        const GPathName settingsFolder = GetSettingsFolder();
        GPathName guidFolder = settings.ContextFilePath;
        while (!guidFolder.IsEmpty() && guidFolder.GetBranch() != settingsFolder)
            guidFolder = guidFolder.GetBranch();
        if (guidFolder.IsEmpty())
            return false;
        const GPathName below = settings.ContextFilePath.GetRelativePathFrom(guidFolder);
        GPathName updated = guidFolder.GetBranch();
        updated.Append(newGuid);
        if (!below.IsEmpty())
            updated /= below;
        settings.ContextFilePath = updated;
        return true;
    } catch (GException const&) {
        return false;
    }
}
