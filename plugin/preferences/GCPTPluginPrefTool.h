#pragma once
// GCPTPluginPrefTool: what the export dialog remembers between runs in the plug-in's preference
// file (level -3): the Trovelor chosen last, and per Trovelor (a group named by its GUID) whether
// the file-package box was ticked; and the pruning of the groups of Trovelors that are gone.
//
// Callers may rely on:
// - Reads search every installed module (level-free); writes go to level -3.
// - Pruning removes only groups that hold "IncludeFilePackageChecked", and does nothing when no
//   Trovelor is listed (an empty, missing or unreadable registry), so a registry that cannot be
//   read never wipes the remembered choices.
#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/text/GString.h"

namespace GCPTPluginPrefTool {

extern GBuffer const cPluginUI_GroupId;           // "ZARidizoUI"
extern GBuffer const cLastSelectedPDFSetting;     // "LastSelectedPDFSetting"
extern GBuffer const cIncludeFilePackageChecked;  // "IncludeFilePackageChecked"
extern GBuffer const cFilePath_GroupId;           // "SmartFileList"
extern GBuffer const cFilePath_PrefIdMaxCount;    // "MaxCount"
extern GBuffer const cFilePath_PrefIdNamePrefix;  // "FilePathName_"

void GetLastUsedPDFSetting(GString& name);
void SetLastUsedPDFSetting(GString const& name);
bool HasIncludeFilePackageValue(GString const& guid);
bool GetIncludeFilePackageValue(GString const& guid);
void SetIncludeFilePackageValue(GString const& guid, bool value);

// Drops the file-package choice of every Trovelor that is no longer offered.
void UpdatePDFSettingsInPreferences();
// The same against a given list of the offered Trovelors' GUIDs (UTF-8); an empty list prunes
// nothing.
void UpdatePDFSettingsInPreferences(GTable<GBuffer> const& offeredGUIDs);

// The GUIDs (UTF-8) of the Trovelors offered to the plug-in, read from the actor registry: the
// actors marked as plug-in whose GUID is found. False when none is listed or the registry cannot
// be read. The package-access door of the plug-in answers the same question and takes this over.
bool GetOfferedTrovelorGUIDs(GTable<GBuffer>& guids);

}  // namespace GCPTPluginPrefTool
