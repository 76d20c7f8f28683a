#include "plugin/preferences/GCPTSmartPathName.h"

#include <climits>

#include "core/base/GException.h"
#include "plugin/paths/GCPTTemporaryFolder.h"
#include "plugin/preferences/GCPTPluginPrefTool.h"
#include "services/framework/GBasicFrameworkCoreLayer.h"
#include "services/preferences/GPrefModule.h"
#include "services/preferences/GPreferences.h"

using namespace GCPTPluginPrefTool;

int GCPTSmartPathName::sInitCount = 0;

namespace {

constexpr int kLevel = GPreferences::kUserLevel;

// The n of "FilePathName_<n>" when key is one (decimal digits only, no sign), else -1.
long long KeyNumber(GBuffer const& key) {
    int const prefix = cFilePath_PrefIdNamePrefix.GetLength();
    if (key.GetLength() <= prefix || key.GetLength() > prefix + 10)
        return -1;
    unsigned char const* bytes = key.GetPtr();
    for (int i = 0; i < prefix; ++i)
        if (bytes[i] != cFilePath_PrefIdNamePrefix.GetPtr()[i])
            return -1;
    long long n = 0;
    for (int i = prefix; i < key.GetLength(); ++i) {
        if (bytes[i] < '0' || bytes[i] > '9')
            return -1;
        n = n * 10 + (bytes[i] - '0');
    }
    return n;
}

}  // namespace

GCPTSmartPathName::GCPTSmartPathName(GPathName const& path) : mPath(path) { RegisterFilePath(mPath, mKey); }

GCPTSmartPathName::~GCPTSmartPathName() {
    try {
        RemoveFromDisk(mPath);
        if (!mKey.IsEmpty() && GPreferences::Has(kLevel, cFilePath_GroupId, mKey)) {
            GPreferences::Remove(kLevel, cFilePath_GroupId, mKey);
            GPreferences::FlushPrefs();
        }
    } catch (...) {
        // The record is dropped at the next clean-up; an object's end never fails the caller.
    }
}

void GCPTSmartPathName::Remove() { RemoveFromDisk(mPath); }

void GCPTSmartPathName::SetPath(GPathName const& path) {
    RemoveFromDisk(mPath);
    mPath = path;
    if (mPath.IsEmpty())
        return;
    if (mKey.IsEmpty() || !GPreferences::Has(kLevel, cFilePath_GroupId, mKey))
        RegisterFilePath(mPath, mKey);
    else
        GPreferences::Set(kLevel, cFilePath_GroupId, mKey, mPath);
}

void GCPTSmartPathName::RemoveFromDisk(GPathName& path) {
    if (!path.IsEmpty())
        GCPTTemporaryFolder::RemoveBelowRoot(path);
    path.Clear();
}

void GCPTSmartPathName::RegisterFilePath(GPathName const& path, GBuffer& key) {
    if (path.IsEmpty())
        return;
    long long n = 1;
    if (GPreferences::Has(kLevel, cFilePath_GroupId, cFilePath_PrefIdMaxCount)) {
        GString const count = GPreferences::Get(kLevel, cFilePath_GroupId, cFilePath_PrefIdMaxCount);
        // A count planted out of range restarts the numbering instead of overflowing it.
        long long const stored = count.IsEmpty() ? 0 : count.GetInt64();
        n = stored >= 0 && stored < INT_MAX ? stored + 1 : 1;
    }
    key = cFilePath_PrefIdNamePrefix + GBuffer(static_cast<int>(n));
    GPreferences::Set(kLevel, cFilePath_GroupId, key, path);
    GPreferences::Set(kLevel, cFilePath_GroupId, cFilePath_PrefIdMaxCount, static_cast<int>(n));
    GPreferences::FlushPrefs();
}

void GCPTSmartPathName::ClearOldFilePaths() {
    GPrefModule* const module = GPreferences::GetPrefModule(kLevel);
    if (module == nullptr || !module->Has(cFilePath_GroupId, cFilePath_PrefIdMaxCount))
        return;
    long long const max = GPreferences::Get(cFilePath_GroupId, cFilePath_PrefIdMaxCount).GetInt64();
    GTable<GBuffer> keys;
    module->GetGroupPreferences(cFilePath_GroupId, keys);
    for (GBuffer const& key : keys) {
        long long const n = KeyNumber(key);
        if (n < 1 || n > max)
            continue;
        GPathName path = GPreferences::GetPathName(cFilePath_GroupId, key);
        RemoveFromDisk(path);
        GPreferences::Remove(kLevel, cFilePath_GroupId, key);
    }
    GPreferences::Set(kLevel, cFilePath_GroupId, cFilePath_PrefIdMaxCount, 0);
}

void GCPTSmartPathName::Initialize() {
    if (sInitCount++ != 0)
        return;
    GBasicFrameworkCoreLayer::Initialize();
    try {
        ClearOldFilePaths();
    } catch (GException const&) {
        // Files left behind are cleared at the next start; the plug-in starts regardless.
    }
}

void GCPTSmartPathName::Finalize() {
    if (--sInitCount != 0)
        return;
    try {
        ClearOldFilePaths();
    } catch (GException const&) {
    }
    GBasicFrameworkCoreLayer::Finalize();
}
