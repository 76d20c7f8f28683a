// The actor registry on a registry file of outside bytes: no crash, every name it lists leads
// back to a record, and rewriting the first listed record keeps every other record and leaves a
// file that reads whole.
//
// Input: the registry file. It is first read and written once through the preference file layer,
// so that the line ends inside its texts have settled before the registry sees it.
#include <cstdint>

#include "core/streams/GMemoryInStream.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "printerprocessor/actors/GPPActorRegistry.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GPrefFileIO.h"
#include "support/FuzzInput.h"
#include "support/ScopedTempFolder.h"

namespace {

// The user preferences folder (special path 35) in a folder of this run, removed at exit.
GPathName const& RegistryFile() {
    static ScopedTempFolder folder;
    static GPathName const file = [] {
        GFileSystem::AddSpecialPath(35, GPathName(GString(folder.Path().c_str())));
        GFileSystem::AddSpecialPath(53, GPathName(GString((folder / "cache").c_str())));
        GPPActorRegistry made;  // makes the registry's folder
        return GPPActorRegistry::GetRegistryPath();
    }();
    return file;
}

void Settle(std::uint8_t const* data, std::size_t size) {
    GPrefModule::Groups groups;
    const GBuffer bytes(data, static_cast<int>(size));
    GMemoryInStream in(bytes);
    GPrefFileIO::Read(in, nullptr, groups);
    bool backupPending = false;
    GPrefFileIO::Write(RegistryFile(), groups, GEncodingFallback::Get<GUnicodeEncoding>(), backupPending);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (!TakeInput(size, 0, 1 << 14))
        return 0;
    Settle(data, size);

    GTable<GString> names;
    GPPActorRegistry registry;
    registry.GetActorList(names);
    for (GString const& name : names) {
        GPPSettings settings;
        Check(registry.GetActor(name, settings));
        GString guid;
        if (GPPSettings::GetGUID(settings, guid) && !guid.IsEmpty()) {
            GString found;
            Check(registry.GetActorByID(guid, found, settings));
        }
    }
    // The one-pass read agrees with the list and the lookups by name.
    GTable<GPPActorRegistry::Actor> actors;
    registry.GetActors(actors);
    Check(actors.GetCount() == names.GetCount());
    for (int i = 0; i < actors.GetCount() && i < names.GetCount(); ++i) {
        GPPSettings settings;
        Check(actors[i].name == names[i] && registry.GetActor(names[i], settings));
        Check(settings.TrovelorName == actors[i].settings.TrovelorName && settings.IsPlugin == actors[i].settings.IsPlugin);
    }
    GTable<GString> origins;
    registry.GetAllowedOrigins(origins);
    if (names.GetCount() == 0)
        return 0;
    Check(registry.Update(names[0], GPPSettings()));
    GTable<GString> after;
    GPPActorRegistry().GetActorList(after);
    Check(after.GetCount() == names.GetCount());
    GPrefModule::Groups groups;
    Check(GPrefFileIO::Read(RegistryFile(), nullptr, groups));
    return 0;
}
