#include "printerprocessor/actors/GPPActorRegistry.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"
#include "core/streams/GContainerText.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/values/GDateTime.h"
#include "core/values/GUniqueID.h"
#include "printerprocessor/actors/GPPSettings.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GPrefSharedFileModule.h"

namespace {

using Record = GDict<GBuffer, GString>;

constexpr int kUserPreferencesFolder = 35;

const GBuffer cRegistryGroupId("PrinterProcessorRegistry");
const GBuffer cHTTPServerGroupId("HTTPServerSettings");
const GBuffer cActorName("ActorName");
const GBuffer cApplicationPath("ApplicationPath");
const GBuffer cContextFilePath("ContextFilePath");
const GBuffer cIsVirtualPrinter("IsVirtualPrinter");
const GBuffer cIsPlugin("IsPlugin");
const GBuffer cPDFSettings("PDFSettings");
const GBuffer cTrovelorName("TrovelorName");
const GBuffer cIconPathKey("TrovelorIconPath");
const GBuffer cIsActiveKey("IsActive");
const GBuffer cAllowedOriginRequest("AllowedOriginRequest");

GEncoding const* Unicode() { return GEncodingFallback::Get<GUnicodeEncoding>(); }

GString FlagText(bool flag) { return GString(flag ? "true" : "false"); }

bool Entry(Record const& record, GBuffer const& key, GString& value) {
    int slot = 0;
    if (!record.GetExistingIndex(key, slot))
        return false;
    value = record.GetValueAt(slot);
    return true;
}

void ReadPath(Record const& record, GBuffer const& key, GPathName& path) {
    GString text;
    if (Entry(record, key, text))
        path.SetCrossPlatformString(text);
}

void ReadText(Record const& record, GBuffer const& key, GString& field) {
    GString text;
    if (Entry(record, key, text))
        field = text;
}

void ReadFlag(Record const& record, GBuffer const& key, bool& flag) {
    GString text;
    if (Entry(record, key, text))
        flag = text == GString("true");
}

void PutSettings(GString const& name, GPPSettings const& settings, Record& record) {
    record.Put(cActorName, name);
    record.Put(cApplicationPath, settings.ApplicationPath.GetCrossPlatformString());
    record.Put(cContextFilePath, settings.ContextFilePath.GetCrossPlatformString());
    record.Put(cPDFSettings, settings.PDFSettings);
    record.Put(cTrovelorName, settings.TrovelorName);
    record.Put(cIconPathKey, settings.TrovelorIconPath.GetCrossPlatformString());
    record.Put(cIsVirtualPrinter, FlagText(settings.IsVirtualPrinter));
    record.Put(cIsPlugin, FlagText(settings.IsPlugin));
    record.Put(cIsActiveKey, FlagText(settings.IsActive));
}

void GetSettings(Record const& record, GPPSettings& settings) {
    ReadPath(record, cApplicationPath, settings.ApplicationPath);
    ReadPath(record, cContextFilePath, settings.ContextFilePath);
    ReadText(record, cPDFSettings, settings.PDFSettings);
    ReadText(record, cTrovelorName, settings.TrovelorName);
    ReadPath(record, cIconPathKey, settings.TrovelorIconPath);
    ReadFlag(record, cIsVirtualPrinter, settings.IsVirtualPrinter);
    ReadFlag(record, cIsPlugin, settings.IsPlugin);
    settings.IsActive = true;
    ReadFlag(record, cIsActiveKey, settings.IsActive);
}

// The name a key stands for: its bytes as UTF-16 text. An odd last byte becomes a unit of its
// own, so that no byte of the key is lost and the name leads back to this key only.
GString NameOfKey(GBuffer const& key) {
    GBuffer units = key;
    if (units.GetLength() % 2 != 0)
        units += GBuffer(reinterpret_cast<unsigned char const*>("\0"), 1);
    return GString(units, Unicode(), false);
}

// The group's records, each read and parsed once, in key order, with an index by the hashes of
// what a record answers to (its key's bytes, its key's name, its actor name). The index only narrows
// the search; Matches decides, so a lookup here finds what a walk in key order would.
class Records {
public:
    explicit Records(GPrefModule& module) {
        GTable<GBuffer> keys;
        module.GetGroupPreferences(cRegistryGroupId, keys);
        mRecords.resize(size_t(keys.GetCount()));
        for (int i = 0; i < keys.GetCount(); ++i) {
            Stored& stored = mRecords[size_t(i)];
            stored.key = keys[i];
            stored.keyName = NameOfKey(stored.key);
            stored.parsed = stored.record.FromString(module.Get(cRegistryGroupId, stored.key));
            stored.hasActorName = stored.parsed && Entry(stored.record, cActorName, stored.actorName);
            mByName.emplace(stored.key.GetHash(), i);
            mByName.emplace(stored.keyName.GetHash(), i);
            if (stored.hasActorName)
                mByName.emplace(stored.actorName.GetHash(), i);
        }
    }

    int GetCount() const { return int(mRecords.size()); }
    bool IsParsed(int index) const { return mRecords[size_t(index)].parsed; }
    GBuffer const& Key(int index) const { return mRecords[size_t(index)].key; }
    Record const& RecordAt(int index) const { return mRecords[size_t(index)].record; }
    // The name the actor list gives the record: its actor name, else its key's.
    GString const& ListedName(int index) const {
        Stored const& stored = mRecords[size_t(index)];
        return stored.hasActorName ? stored.actorName : stored.keyName;
    }

    // The first record, in key order, whose key or actor name is name; -1 when none. A record
    // whose text does not parse is found only by its key, and only when broken ones are asked for.
    int Find(GString const& name, bool broken) const {
        GBuffer nameBytes;
        name.GetBuffer(nameBytes, Unicode());
        int found = -1;
        for (uint32_t const hash : {name.GetHash(), nameBytes.GetHash()}) {
            auto const range = mByName.equal_range(hash);
            for (auto it = range.first; it != range.second; ++it)
                if ((found < 0 || it->second < found) && Matches(mRecords[size_t(it->second)], name, nameBytes, broken))
                    found = it->second;
        }
        return found;
    }

private:
    struct Stored {
        GBuffer key;
        GString keyName;
        bool parsed = false;
        Record record;
        bool hasActorName = false;
        GString actorName;
    };

    static bool Matches(Stored const& stored, GString const& name, GBuffer const& nameBytes, bool broken) {
        bool const byKey = stored.key == nameBytes || stored.keyName == name;
        if (!stored.parsed)
            return broken && byKey;
        return byKey || (stored.hasActorName && stored.actorName == name);
    }

    std::vector<Stored> mRecords;
    std::unordered_multimap<uint32_t, int> mByName;
};

// One change of the registry and its write: a change whose write fails is taken back, so that it
// never reaches the file later with another change of the same object.
class PendingWrite {
public:
    explicit PendingWrite(GPrefModule& module) : mModule(module) { mModule.StartUsingTempModule(); }
    PendingWrite(PendingWrite const&) = delete;
    PendingWrite& operator=(PendingWrite const&) = delete;
    ~PendingWrite() {
        if (mWritten)
            return;
        try {
            mModule.EndUsingTempModule(false);
        } catch (...) {
            // The module keeps the change, still unwritten; nothing may leave a destructor.
        }
    }

    void Write() {
        mModule.FlushPrefs();
        mWritten = true;
        mModule.EndUsingTempModule(true);
    }

private:
    GPrefModule& mModule;
    bool mWritten = false;
};

GString RecordText(Record const& record) {
    GString text;
    record.ToString(text);
    return text;
}

}  // namespace

GPathName GPPActorRegistry::GetRegistryPath() {
    GPathName path = GFileSystem::GetSpecialPath(kUserPreferencesFolder);
    path.Append(GString("Printer Processor"));
    path.Append(GString("KelvoraPrinterProcessor.prefs"));
    return path;
}

GPPActorRegistry::GPPActorRegistry() {
    const GPathName path = GetRegistryPath();
    const GPathName folder = path.GetBranch();
    if (!GFileSystem::TryFolderExists(folder))
        GFileSystem::CreateFolder(folder);
    mModule = GAutoPtr<GPrefModule>(new GPrefSharedFileModule(path, Unicode()));
}

GPPActorRegistry::~GPPActorRegistry() = default;

bool GPPActorRegistry::Register(GString const& name, GPPSettings const& settings) {
    Record record(5);
    PutSettings(name, settings, record);
    GBuffer key;
    GUniqueID().GetHex(key);
    PendingWrite write(*mModule);
    mModule->Set(cRegistryGroupId, key, RecordText(record));
    write.Write();
    return true;
}

bool GPPActorRegistry::Update(GString const& name, GPPSettings const& settings) {
    Records const records(*mModule);
    int const found = records.Find(name, false);
    if (found < 0)
        return false;
    Record record = records.RecordAt(found);
    PutSettings(name, settings, record);
    PendingWrite write(*mModule);
    mModule->Set(cRegistryGroupId, records.Key(found), RecordText(record));
    write.Write();
    return true;
}

bool GPPActorRegistry::UnRegister(GString const& name) {
    Records const records(*mModule);
    int const found = records.Find(name, true);
    if (found < 0)
        return false;
    PendingWrite write(*mModule);
    mModule->Remove(cRegistryGroupId, records.Key(found));
    write.Write();
    return true;
}

bool GPPActorRegistry::GetActorList(GTable<GString>& names) const {
    names.Resize(0);
    Records const records(*mModule);
    for (int i = 0; i < records.GetCount(); ++i)
        if (records.IsParsed(i))
            names.AddItem(records.ListedName(i));
    return records.GetCount() > 0;
}

bool GPPActorRegistry::GetActors(GTable<Actor>& actors) const {
    actors.Resize(0);
    Records const records(*mModule);
    for (int i = 0; i < records.GetCount(); ++i) {
        if (!records.IsParsed(i))
            continue;
        Actor actor;
        actor.name = records.ListedName(i);
        GetSettings(records.RecordAt(records.Find(actor.name, false)), actor.settings);
        actors.AddItem(actor);
    }
    return records.GetCount() > 0;
}

bool GPPActorRegistry::GetActor(GString const& name, GPPSettings& settings) const {
    Records const records(*mModule);
    int const found = records.Find(name, false);
    if (found < 0)
        return false;
    GetSettings(records.RecordAt(found), settings);
    return true;
}

bool GPPActorRegistry::GetActorByID(GString const& guid, GString& name, GPPSettings& settings) const {
    // No record is found by an empty GUID: every path outside the settings folder has one.
    if (guid.IsEmpty())
        return false;
    GTable<GBuffer> keys;
    mModule->GetGroupPreferences(cRegistryGroupId, keys);
    for (GBuffer const& key : keys) {
        Record record;
        GPPSettings found;
        if (!record.FromString(mModule->Get(cRegistryGroupId, key)))
            continue;
        GString contextPath;
        if (!Entry(record, cContextFilePath, contextPath))
            continue;
        found.ContextFilePath.SetCrossPlatformString(contextPath);
        GString recordGuid;
        if (!GPPSettings::GetGUID(found, recordGuid) || recordGuid != guid)
            continue;
        GetSettings(record, settings);
        ReadText(record, cActorName, name);
        return true;
    }
    return false;
}

void GPPActorRegistry::CleanUp() {
    PendingWrite write(*mModule);
    mModule->RemoveGroup(cRegistryGroupId);
    write.Write();
}

void GPPActorRegistry::GetAllowedOrigins(GTable<GString>& origins) const {
    origins.Resize(0);
    const GString text = mModule->Get(cHTTPServerGroupId, cAllowedOriginRequest);
    if (text.IsEmpty())
        return;
    // A list cut short keeps the origins read before the cut.
    origins.FromString(text);
}

void GPPActorRegistry::SetAllowedOrigins(GTable<GString> const& origins) {
    GString text;
    origins.ToString(text);
    PendingWrite write(*mModule);
    mModule->Set(cHTTPServerGroupId, cAllowedOriginRequest, text);
    write.Write();
}

void GPPActorRegistry::GetModificationDateTime(GDateTime& when) {
    const GPathName path = GetRegistryPath();
    if (GFileSystem::TryFileExists(path))
        GFileSystem::GetModificationDateTime(path, when);
}
