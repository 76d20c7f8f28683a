#include "plugin/tools/ZARidizoTools.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/system/PSystem.h"
#include "plugin/paths/GCPTTemporaryFolder.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "printerprocessor/jobs/GPPJobInfo.h"
#include "printerprocessor/jobs/GPPJobNotifier.h"

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

namespace {

std::string Utf8(GString const& text) {
    GBuffer const bytes = text.GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

constexpr size_t kMaxFolderNameBytes = 200;

}  // namespace

GString ZARidizoTools::GetSafeFolderName(GString const& name) {
    std::string safe;
    for (char c : Utf8(name)) {
        unsigned char const byte = static_cast<unsigned char>(c);
        safe += (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) ? '_' : c;
    }
    if (safe.size() > kMaxFolderNameBytes) {
        size_t cut = kMaxFolderNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80)
            --cut;
        safe.resize(cut);
    }
    if (safe.empty() || safe == "." || safe == "..")
        safe = "_" + safe;
    return GString(safe.c_str(), GUTF8Encoding::GetInstance());
}

bool ZARidizoTools::GetOutputPDFPath(GPathName& out) {
    GString logon;
    if (!PSystem::GetLogonName(logon) || logon.IsEmpty() || !GCPTTemporaryFolder::EnsureRoot())
        return false;
    GPathName folder = GCPTTemporaryFolder::GetRoot();
    GString leaf("Output-");
    leaf += GetSafeFolderName(logon);
    folder.Append(leaf);
    std::string const native = Utf8(folder.GetNativePathString());
    if (mkdir(native.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info;
    if (lstat(native.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
        (info.st_mode & 077) != 0)
        return false;
    out = folder;
    return true;
}

bool ZARidizoTools::NotifyPrinterProcessor(GString const& name, GPathName const& file) {
    static GString const sUniquePluginPort(10987);
    GString logon;
    if (!PSystem::GetLogonName(logon) || logon.IsEmpty())
        return false;
    GPPJobInfo const info(logon, file, name, sUniquePluginPort, 1, GString());
    return GPPJobNotifier(info).TrySendNotification();
}
