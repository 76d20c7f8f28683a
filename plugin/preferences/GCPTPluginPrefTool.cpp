#include "plugin/preferences/GCPTPluginPrefTool.h"

#include "core/base/GException.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "plugin/tools/ZARidizoTools.h"
#include "services/preferences/GPrefModule.h"
#include "services/preferences/GPreferences.h"

namespace GCPTPluginPrefTool {

GBuffer const cPluginUI_GroupId("ZARidizoUI");
GBuffer const cLastSelectedPDFSetting("LastSelectedPDFSetting");
GBuffer const cIncludeFilePackageChecked("IncludeFilePackageChecked");
GBuffer const cFilePath_GroupId("SmartFileList");
GBuffer const cFilePath_PrefIdMaxCount("MaxCount");
GBuffer const cFilePath_PrefIdNamePrefix("FilePathName_");

namespace {

constexpr int kLevel = GPreferences::kUserLevel;

GBuffer UTF8(GString const& text) { return text.GetBuffer(GUTF8Encoding::GetInstance()); }

bool Contains(GTable<GBuffer> const& table, GBuffer const& bytes) {
    for (GBuffer const& item : table)
        if (item == bytes)
            return true;
    return false;
}

}  // namespace

void GetLastUsedPDFSetting(GString& name) { name = GPreferences::Get(cPluginUI_GroupId, cLastSelectedPDFSetting); }

void SetLastUsedPDFSetting(GString const& name) {
    GPreferences::Set(kLevel, cPluginUI_GroupId, cLastSelectedPDFSetting, name);
}

bool HasIncludeFilePackageValue(GString const& guid) {
    return GPreferences::Has(UTF8(guid), cIncludeFilePackageChecked);
}

bool GetIncludeFilePackageValue(GString const& guid) {
    return UTF8(GPreferences::Get(UTF8(guid), cIncludeFilePackageChecked)) == GBuffer("true");
}

void SetIncludeFilePackageValue(GString const& guid, bool value) {
    GPreferences::Set(kLevel, UTF8(guid), cIncludeFilePackageChecked,
                      GString(value ? "true" : "false", GASCIIEncoding::GetInstance()));
}

bool GetOfferedTrovelorGUIDs(GTable<GBuffer>& guids) {
    guids.Resize(0);
    try {
        GTable<ZARidizoTools::PluginTrovelor> trovelors;
        ZARidizoTools::GetPluginTrovelors(trovelors);
        for (ZARidizoTools::PluginTrovelor const& trovelor : trovelors)
            if (trovelor.hasGUID)
                guids.AddItem(UTF8(trovelor.guid));
    } catch (GException const&) {
        guids.Resize(0);
    }
    return guids.GetCount() > 0;
}

void UpdatePDFSettingsInPreferences() {
    GTable<GBuffer> guids;
    if (GetOfferedTrovelorGUIDs(guids))
        UpdatePDFSettingsInPreferences(guids);
}

void UpdatePDFSettingsInPreferences(GTable<GBuffer> const& offeredGUIDs) {
    GPrefModule* const module = GPreferences::GetPrefModule(kLevel);
    if (module == nullptr || offeredGUIDs.GetCount() == 0)
        return;
    GTable<GBuffer> groups;
    GPreferences::GetGroupNames(kLevel, groups);
    for (GBuffer const& group : groups)
        if (module->Has(group, cIncludeFilePackageChecked) && !Contains(offeredGUIDs, group))
            GPreferences::Remove(kLevel, group);
}

}  // namespace GCPTPluginPrefTool
