#include "printerprocessor/actors/GPPActorRegistry.h"

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

bool KeyIsName(GBuffer const& key, GString const& name) {
    GBuffer nameBytes;
    name.GetBuffer(nameBytes, Unicode());
    return key == nameBytes || NameOfKey(key) == name;
}

bool ActorNameIs(Record const& record, GString const& name) {
    GString actorName;
    return Entry(record, cActorName, actorName) && actorName == name;
}

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
    GTable<GBuffer> keys;
    mModule->GetGroupPreferences(cRegistryGroupId, keys);
    for (GBuffer const& key : keys) {
        Record record;
        if (!record.FromString(mModule->Get(cRegistryGroupId, key)))
            continue;
        if (!KeyIsName(key, name) && !ActorNameIs(record, name))
            continue;
        PutSettings(name, settings, record);
        PendingWrite write(*mModule);
        mModule->Set(cRegistryGroupId, key, RecordText(record));
        write.Write();
        return true;
    }
    return false;
}

bool GPPActorRegistry::UnRegister(GString const& name) {
    GTable<GBuffer> keys;
    mModule->GetGroupPreferences(cRegistryGroupId, keys);
    for (GBuffer const& key : keys) {
        if (!KeyIsName(key, name)) {
            Record record;
            if (!record.FromString(mModule->Get(cRegistryGroupId, key)) || !ActorNameIs(record, name))
                continue;
        }
        PendingWrite write(*mModule);
        mModule->Remove(cRegistryGroupId, key);
        write.Write();
        return true;
    }
    return false;
}

bool GPPActorRegistry::GetActorList(GTable<GString>& names) const {
    names.Resize(0);
    GTable<GBuffer> keys;
    mModule->GetGroupPreferences(cRegistryGroupId, keys);
    for (GBuffer const& key : keys) {
        Record record;
        if (!record.FromString(mModule->Get(cRegistryGroupId, key)))
            continue;
        GString name;
        if (!Entry(record, cActorName, name))
            name = NameOfKey(key);
        names.AddItem(name);
    }
    return keys.GetCount() > 0;
}

bool GPPActorRegistry::GetActor(GString const& name, GPPSettings& settings) const {
    GTable<GBuffer> keys;
    mModule->GetGroupPreferences(cRegistryGroupId, keys);
    for (GBuffer const& key : keys) {
        Record record;
        if (!record.FromString(mModule->Get(cRegistryGroupId, key)))
            continue;
        if (!KeyIsName(key, name) && !ActorNameIs(record, name))
            continue;
        GetSettings(record, settings);
        return true;
    }
    return false;
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
