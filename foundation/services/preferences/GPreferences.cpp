#include "services/preferences/GPreferences.h"

#include <exception>

#include "core/support/GStringSupport.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/values/GDateTime.h"
#include "services/filesystem/GFileSystem.h"
#include "services/preferences/GPrefFileModule.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPrefSharedFileModule.h"

GTable<GPreferences::GPrefsData> GPreferences::sModules;
GSharedObject<GEncoding const> GPreferences::sEncoding;
GTable<GVariableSubstitution*> GPreferences::sVariableSubstitutors;

namespace {

// The special paths of the user's and the machine's preference files.
constexpr int kUserPrefsFolder = 35;
constexpr int kSystemPrefsFolder = 33;

GBuffer const& SharingGroup() {
    static GBuffer const group("PrefSharing");
    return group;
}

GEncoding const* Unicode() { return GEncodingFallback::Get<GUnicodeEncoding>(); }

GString const& TrueText() {
    static GString const text("true");
    return text;
}

GString const& FalseText() {
    static GString const text("false");
    return text;
}

GPathName InFolder(GPathName const& folder, GString const& leaf) {
    GPathName path(folder);
    path.Append(leaf);
    return path;
}

}  // namespace

void GPreferences::Initialize() { sEncoding = Unicode(); }

void GPreferences::DeleteEntry(GPrefsData& entry) {
    if (entry.owned)
        delete entry.module;
    entry.module = nullptr;
}

void GPreferences::Finalize() {
    std::exception_ptr failure;
    try {
        FlushPrefs();
    } catch (...) {
        failure = std::current_exception();
    }
    for (GPrefsData& entry : sModules)
        DeleteEntry(entry);
    sModules.Resize(0);
    sEncoding = nullptr;
    while (sVariableSubstitutors.GetCount() != 0) {
        delete sVariableSubstitutors[sVariableSubstitutors.GetCount() - 1];
        sVariableSubstitutors.RemoveLastItem();
    }
    if (failure)
        std::rethrow_exception(failure);
}

void GPreferences::SetPrefModule(int level, GPrefModule* module, bool owned) {
    for (int i = 0; i < sModules.GetCount(); ++i) {
        GPrefsData& entry = sModules[i];
        if (entry.level == level) {
            if (entry.module != module)
                DeleteEntry(entry);
            entry.module = module;
            entry.owned = owned;
            return;
        }
        if (entry.level < level) {
            sModules.InsertItemAt(i, GPrefsData{level, module, owned});
            return;
        }
    }
    sModules.AddItem(GPrefsData{level, module, owned});
}

void GPreferences::SetDefaultModules(GString const& name, PrefDefaultModule flags) {
    GPathName userFolder;
    GPathName systemFolder;
    // The special folders, not the bare preference folders: whoever moves them moves these files.
    if ((flags & (kUserFileModule | kSharedFileModule)) != 0)
        userFolder = GFileSystem::GetSpecialPath(kUserPrefsFolder);
    if ((flags & kSystemFileModule) != 0)
        systemFolder = GFileSystem::GetSpecialPath(kSystemPrefsFolder);
    if ((flags & kUserFileModule) != 0) {
        GString leaf(name);
        leaf += GString(".uprefs");
        SetPrefModule(kUserLevel, new GPrefFileModule(InFolder(userFolder, leaf), sEncoding.Get()), true);
    }
    if ((flags & kSharedFileModule) != 0)
        SetPrefModule(kSharedLevel, new GPrefSharedFileModule(InFolder(userFolder, GString("Kelvora.uprefs")), Unicode()),
                      true);
    if ((flags & kSystemFileModule) != 0) {
        GString leaf(name);
        leaf += GString(".sprefs");
        SetPrefModule(-4, new GPrefFileModule(InFolder(systemFolder, leaf), sEncoding.Get()), true);
    }
    if ((flags & kMemoryModule) != 0)
        SetPrefModule(-5, new GPrefMemoryModule(), true);
}

GPrefModule* GPreferences::GetPrefModule(int level) {
    for (GPrefsData const& entry : sModules)
        if (entry.level == level)
            return entry.module;
    return nullptr;
}

void GPreferences::RemovePrefModule(int level) {
    for (int i = 0; i < sModules.GetCount(); ++i) {
        if (sModules[i].level != level)
            continue;
        GPrefsData entry = sModules[i];
        sModules.RemoveItemAt(i);
        DeleteEntry(entry);
        return;
    }
}

void GPreferences::SetEncoding(GEncoding const* encoding) {
    sEncoding = encoding;
    for (int i = sModules.GetCount() - 1; i >= 0; --i)
        sModules[i].module->SetEncoding(encoding);
}

void GPreferences::AddVariableSubstitution(GAutoPtr<GVariableSubstitution, GDeletePtr> substitution) {
    GVariableSubstitution* object = substitution.Get();
    if (object == nullptr)
        return;
    sVariableSubstitutors.AddItem(object);
    substitution.Release();
}

void GPreferences::UpdatePreferencesWith(GTable<GPair<int, GPrefModule const*>> const& updates) {
    for (GPair<int, GPrefModule const*> const& update : updates)
        if (GPrefModule* module = GetPrefModule(update.first))
            module->UpdateWith(update.second);
}

void GPreferences::FlushPrefs() {
    // Every module gets its chance to save; the first failure is reported after all have tried.
    std::exception_ptr failure;
    for (int i = 0; i < sModules.GetCount(); ++i) {
        try {
            sModules[i].module->FlushPrefs();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

void GPreferences::Refresh() {
    for (int i = 0; i < sModules.GetCount(); ++i)
        sModules[i].module->Refresh();
    CopySharedPreferences();
}

bool GPreferences::IsDirty() {
    for (GPrefsData const& entry : sModules)
        if (entry.module->IsDirty())
            return true;
    return false;
}

void GPreferences::StartUsingTempModules() {
    for (GPrefsData const& entry : sModules)
        entry.module->StartUsingTempModule();
}

void GPreferences::EndUsingTempModules(bool keep) {
    for (GPrefsData const& entry : sModules)
        entry.module->EndUsingTempModule(keep);
}

bool GPreferences::Has(int level, GBuffer const& group, GBuffer const& key) {
    GPrefModule* module = GetPrefModule(level);
    return module != nullptr && module->Has(group, key);
}

GString GPreferences::Get(int level, GBuffer const& group, GBuffer const& key) {
    GPrefModule* module = GetPrefModule(level);
    return module != nullptr ? module->Get(group, key) : GString();
}

void GPreferences::GetGroupNames(int level, GTable<GBuffer>& names) {
    if (GPrefModule* module = GetPrefModule(level))
        module->GetGroupNames(names);
}

void GPreferences::Remove(int level, GBuffer const& group, GBuffer const& key) {
    if (GPrefModule* module = GetPrefModule(level))
        module->Remove(group, key);
}

void GPreferences::Remove(int level, GBuffer const& group) {
    if (GPrefModule* module = GetPrefModule(level))
        module->RemoveGroup(group);
}

GPrefModule* GPreferences::WriteTarget(int level, GBuffer const& group) {
    if (level == kUserLevel && IsPrefSharing(group))
        return GetPrefModule(kSharedLevel);
    return GetPrefModule(level);
}

void GPreferences::Set(int level, GBuffer const& group, GBuffer const& key, GString const& value) {
    if (GPrefModule* module = WriteTarget(level, group))
        module->Set(group, key, value);
}

void GPreferences::SetIgnoreTemp(int level, GBuffer const& group, GBuffer const& key, GString const& value) {
    if (GPrefModule* module = WriteTarget(level, group))
        module->SetIgnoreTemp(group, key, value);
}

void GPreferences::Set(int level, GBuffer const& group, GBuffer const& key, int value) {
    Set(level, group, key, GString(value));
}

void GPreferences::Set(int level, GBuffer const& group, GBuffer const& key, bool value) {
    Set(level, group, key, value ? TrueText() : FalseText());
}

void GPreferences::Set(int level, GBuffer const& group, GBuffer const& key, double value) {
    GString text;
    text.SetWithHighPrecision(value);
    Set(level, group, key, text);
}

void GPreferences::Set(int level, GBuffer const& group, GBuffer const& key, char const* value) {
    Set(level, group, key, GString(value));
}

void GPreferences::Set(int level, GBuffer const& group, GBuffer const& key, GPathName const& value) {
    GString text = value.GetCrossPlatformString();
    SubstituteToVariables(GVariableSubstitution::kPathString, text);
    Set(level, group, key, text);
}

void GPreferences::Set(int level, GBuffer const& group, GBuffer const& key, GDateTime const& value) {
    GBuffer pdfDate;
    value.GetAsPDFDateTime(pdfDate);
    Set(level, group, key, GString(pdfDate, GEncodingFallback::GetPlatform()));
}

void GPreferences::SetScramble(int level, GBuffer const& group, GBuffer const& key, GString const& value) {
    Set(level, group, key, GStringSupport::Scramble(value));
}

void GPreferences::SetScramble(int level, GBuffer const& group, GBuffer const& key, int value) {
    SetScramble(level, group, key, GString(value));
}

void GPreferences::SetDefault(int level, GBuffer const& group, GBuffer const& key, GString const& value) {
    GPrefModule* module = GetPrefModule(level);
    if (module == nullptr || module->Has(group, key))
        return;
    Set(level, group, key, value);
}

void GPreferences::SetPrefSharing(int level, GBuffer const& group, bool shared) {
    GPrefModule* module = GetPrefModule(level);
    if (module == nullptr)
        return;
    module->Set(SharingGroup(), group, shared ? TrueText() : FalseText());
    CopySharedPreferencesGroup(group);
}

GPrefModule* GPreferences::FindNonShared(GBuffer const& group, GBuffer const& key) {
    for (GPrefsData const& entry : sModules)
        if (entry.level != kSharedLevel && entry.module->Has(group, key))
            return entry.module;
    return nullptr;
}

GString GPreferences::GetNonSharedPref(GBuffer const& group, GBuffer const& key) {
    GPrefModule* module = FindNonShared(group, key);
    return module != nullptr ? module->Get(group, key) : GString();
}

GString GPreferences::Get(GBuffer const& group, GBuffer const& key) {
    if (IsPrefSharing(group))
        return GetPrefModule(kSharedLevel)->Get(group, key);
    return GetNonSharedPref(group, key);
}

void GPreferences::Get(GBuffer const& group, GBuffer const& key, GString& out) { out = Get(group, key); }

int GPreferences::GetInt32(GBuffer const& group, GBuffer const& key) { return Get(group, key).GetInt32(); }

void GPreferences::Get(GBuffer const& group, GBuffer const& key, int& out) { out = GetInt32(group, key); }

double GPreferences::GetReal(GBuffer const& group, GBuffer const& key) { return Get(group, key).GetReal(); }

void GPreferences::Get(GBuffer const& group, GBuffer const& key, double& out) { out = GetReal(group, key); }

bool GPreferences::GetBool(GBuffer const& group, GBuffer const& key) { return Get(group, key) == TrueText(); }

void GPreferences::Get(GBuffer const& group, GBuffer const& key, bool& out) { out = GetBool(group, key); }

GPathName GPreferences::GetPathName(GBuffer const& group, GBuffer const& key) {
    GPathName path;
    Get(group, key, path);
    return path;
}

void GPreferences::Get(GBuffer const& group, GBuffer const& key, GPathName& out) {
    GString text = Get(group, key);
    SubstituteFromVariables(GVariableSubstitution::kPathString, text);
    out.SetCrossPlatformString(text);
}

GDateTime GPreferences::GetDateTime(GBuffer const& group, GBuffer const& key) {
    GDateTime value(true);
    Get(group, key, value);
    return value;
}

bool GPreferences::Get(GBuffer const& group, GBuffer const& key, GDateTime& out) {
    GBuffer bytes;
    Get(group, key).GetBuffer(bytes, GEncodingFallback::GetPlatform());
    return out.SetFromPDFDateTime(bytes) != 0;
}

GString GPreferences::GetUnscramble(GBuffer const& group, GBuffer const& key) {
    return GStringSupport::DeScramble(Get(group, key));
}

int GPreferences::GetUnscrambleInt32(GBuffer const& group, GBuffer const& key) {
    return GetUnscramble(group, key).GetInt32();
}

bool GPreferences::Has(GBuffer const& group, GBuffer const& key) {
    for (GPrefsData const& entry : sModules)
        if (entry.module->Has(group, key))
            return true;
    return false;
}

bool GPreferences::IsPrefSharing(GBuffer const& group) {
    // Without a shared module a group stays with the per-user module, where its values are.
    if (group == SharingGroup() || GetPrefModule(kSharedLevel) == nullptr)
        return false;
    GPrefModule* module = FindNonShared(SharingGroup(), group);
    return module != nullptr && module->Get(SharingGroup(), group) == TrueText();
}

void GPreferences::CopySharedPreferencesGroup(GBuffer const& group) {
    GPrefModule* shared = GetPrefModule(kSharedLevel);
    if (shared == nullptr || !IsPrefSharing(group))
        return;
    for (GPrefsData const& entry : sModules) {
        if (entry.level == kSharedLevel)
            continue;
        GTable<GBuffer> keys;
        entry.module->GetGroupPreferences(group, keys);
        for (GBuffer const& key : keys)
            if (!shared->Has(group, key))
                shared->Set(group, key, entry.module->Get(group, key));
    }
}

void GPreferences::CopySharedPreferences() {
    GTable<GBuffer> groups;
    for (GPrefsData const& entry : sModules)
        if (entry.level != kSharedLevel)
            entry.module->GetGroupPreferences(SharingGroup(), groups);
    for (GBuffer const& group : groups)
        CopySharedPreferencesGroup(group);
}

bool GPreferences::WillSubstituteVariablesInPrefType(GVariableSubstitution::StringType type) {
    for (GVariableSubstitution* substitution : sVariableSubstitutors)
        if (substitution->WillSubstitute(type))
            return true;
    return false;
}

void GPreferences::SubstituteFromVariables(GVariableSubstitution::StringType type, GString& text) {
    for (GVariableSubstitution* substitution : sVariableSubstitutors)
        if (substitution->WillSubstitute(type))
            substitution->SubstituteFromVariables(text);
}

void GPreferences::SubstituteToVariables(GVariableSubstitution::StringType type, GString& text) {
    for (GVariableSubstitution* substitution : sVariableSubstitutors)
        if (substitution->WillSubstitute(type))
            substitution->SubstituteToVariables(text);
}
