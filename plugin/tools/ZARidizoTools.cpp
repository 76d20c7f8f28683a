#include "plugin/tools/ZARidizoTools.h"

#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"

bool ZARidizoTools::GetActor(GString const& name, GPPSettings& settings) {
    if (name.IsEmpty())
        return false;
    return GPPActorRegistry().GetActor(name, settings);
}

bool ZARidizoTools::GetPluginTrovelors(GTable<GString>& names) {
    names.Resize(0);
    GPPActorRegistry registry;
    GTable<GString> all;
    registry.GetActorList(all);
    for (GString const& name : all) {
        GPPSettings settings;
        if (registry.GetActor(name, settings) && settings.IsPlugin)
            names.AddItem(name);
    }
    return names.GetCount() > 0;
}

bool ZARidizoTools::GetPDFSettingsName(GString const& name, GString& settingsName) {
    GPPSettings settings;
    if (!GetActor(name, settings))
        return false;
    settingsName = settings.PDFSettings.IsEmpty() ? name : settings.PDFSettings;
    return true;
}

bool ZARidizoTools::DeletePluginTrovelor(GString const& name) {
    if (name.IsEmpty())
        return false;
    GPPActorRegistry registry;
    GPPSettings settings;
    if (!registry.GetActor(name, settings))
        return false;
    settings.IsPlugin = false;
    return registry.Update(name, settings);
}

bool ZARidizoTools::GetGUID(GString const& name, GString& guid) {
    GPPSettings settings;
    if (!GetActor(name, settings))
        return false;
    return GPPSettings::GetGUID(settings, guid);
}
