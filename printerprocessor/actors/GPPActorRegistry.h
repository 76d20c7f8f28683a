#pragma once
// GPPActorRegistry: the registry of actors that every process of the user shares, the preference
// file "KelvoraPrinterProcessor.prefs" in the folder "Printer Processor" of the per-user
// preferences folder (special path 35). Group "PrinterProcessorRegistry" holds one record per
// actor under 32 hexadecimal digits of a unique identifier; a record is the text of a dictionary
// ("ActorName" and the fields of GPPSettings). Make one object per question: it reads the file
// when made.
//
// Callers may rely on:
// - A record matches a name when its key is the name's UTF-16 bytes or its "ActorName" is the
//   name; the records are tried in the file's key order and the first match wins.
// - A record that does not parse is skipped by every reader and can still be removed by key; it
//   is never rewritten, nor dropped by a write of another record.
// - Each write changes only its own record (or list) in the file: it goes through the shared
//   preference module, which re-reads the file under its exclusive lock, replays this object's
//   changes onto it and saves whole (old file or new one, never a cut one). Records other
//   processes added or changed meanwhile stay; CleanUp removes the whole group, theirs included.
// - GetActor and GetActorByID leave a field as it was when the record lacks its entry, except
//   IsActive, which a record without it sets to true. An empty GUID finds no record.
// - A missing or unreadable file reads as an empty registry. Failures of a write (the lock not
//   taken in time, the file not saved) are thrown as framework exceptions; the file then stays as
//   it was, and the object takes the change back, so no later write carries it to the file.
// - One thread at a time.
#include "core/containers/GTable.h"
#include "core/memory/GAutoPtr.h"
#include "core/text/GString.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "services/paths/GPathName.h"

class GDateTime;
class GPrefModule;

class GPPActorRegistry {
public:
    GPPActorRegistry();
    ~GPPActorRegistry();
    GPPActorRegistry(GPPActorRegistry const&) = delete;
    GPPActorRegistry& operator=(GPPActorRegistry const&) = delete;

    bool Register(GString const& name, GPPSettings const& settings);
    bool Update(GString const& name, GPPSettings const& settings);
    bool UnRegister(GString const& name);
    bool GetActorList(GTable<GString>& names) const;
    bool GetActor(GString const& name, GPPSettings& settings) const;
    // Every actor GetActorList names, in its order, with the settings GetActor gives for that
    // name; read in one pass, however many actors there are. Same result as GetActorList.
    struct Actor {
        GString name;
        GPPSettings settings;
    };
    bool GetActors(GTable<Actor>& actors) const;
    bool GetActorByID(GString const& guid, GString& name, GPPSettings& settings) const;
    void CleanUp();
    void GetAllowedOrigins(GTable<GString>& origins) const;
    void SetAllowedOrigins(GTable<GString> const& origins);

    // The registry file's modification time; when is left as it was when there is no file.
    static void GetModificationDateTime(GDateTime& when);
    // Special path 35 / "Printer Processor" / "KelvoraPrinterProcessor.prefs".
    static GPathName GetRegistryPath();

private:
    GAutoPtr<GPrefModule> mModule;
};
