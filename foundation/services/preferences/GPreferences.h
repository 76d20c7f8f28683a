#pragma once
// GPreferences: the process-wide preference store, a stack of preference modules each installed
// at an integer level (highest first). Reads without a level search the stack from the top;
// writes name the level that receives them. The module at level -2 is shared between processes:
// a group marked shared ("PrefSharing") is read from and written to it instead of level -3.
//
// Callers may rely on:
// - Only static members; Initialize before use, Finalize at the end.
// - A missing level reads as nothing and takes no writes. A group counts as shared only while a
//   module is installed at level -2, so a shared group never reads empty or drops its writes
//   for want of that module.
// - Finalize flushes every module even when one fails, then reports the first failure (after
//   the modules are deleted and the encoding released).
// - Values are text: "true"/"false", decimal integers, PDF dates, cross-platform paths, the
//   scrambled form of GStringSupport::Scramble.
// - Main thread only; no lock.
#include "core/bytes/GBuffer.h"
#include "core/containers/GPair.h"
#include "core/containers/GTable.h"
#include "core/memory/GAutoPtr.h"
#include "core/memory/GDeletePtr.h"
#include "core/memory/GSharedObject.h"
#include "core/text/GString.h"
#include "core/text/encodings/GEncoding.h"
#include "services/paths/GPathName.h"
#include "services/preferences/GPrefModule.h"
#include "services/preferences/GVariableSubstitution.h"

class GDateTime;

class GPreferences {
public:
    enum PrefDefaultModule {
        kMemoryModule = 1,
        kSystemFileModule = 2,
        kUserFileModule = 4,
        kSharedFileModule = 8,
    };

    struct GPrefsData {
        int32_t level;
        GPrefModule* module;
        bool owned;
    };

    static constexpr int kSharedLevel = -2;
    static constexpr int kUserLevel = -3;

    GPreferences() = delete;

    static void Initialize();
    static void Finalize();

    static void SetPrefModule(int level, GPrefModule* module, bool owned);
    static void SetDefaultModules(GString const& name, PrefDefaultModule flags);
    static GPrefModule* GetPrefModule(int level);
    static void RemovePrefModule(int level);
    static void SetEncoding(GEncoding const* encoding);
    static GEncoding const* GetEncoding() { return sEncoding.Get(); }
    static void AddVariableSubstitution(GAutoPtr<GVariableSubstitution, GDeletePtr> substitution);
    static void UpdatePreferencesWith(GTable<GPair<int, GPrefModule const*>> const& updates);

    static void FlushPrefs();
    static void Refresh();
    static bool IsDirty();
    static void StartUsingTempModules();
    static void EndUsingTempModules(bool keep);

    static bool Has(int level, GBuffer const& group, GBuffer const& key);
    static GString Get(int level, GBuffer const& group, GBuffer const& key);
    static void GetGroupNames(int level, GTable<GBuffer>& names);
    static void Remove(int level, GBuffer const& group, GBuffer const& key);
    static void Remove(int level, GBuffer const& group);

    static void Set(int level, GBuffer const& group, GBuffer const& key, GString const& value);
    static void SetIgnoreTemp(int level, GBuffer const& group, GBuffer const& key, GString const& value);
    static void Set(int level, GBuffer const& group, GBuffer const& key, int value);
    static void Set(int level, GBuffer const& group, GBuffer const& key, bool value);
    static void Set(int level, GBuffer const& group, GBuffer const& key, double value);
    static void Set(int level, GBuffer const& group, GBuffer const& key, char const* value);
    static void Set(int level, GBuffer const& group, GBuffer const& key, GPathName const& value);
    static void Set(int level, GBuffer const& group, GBuffer const& key, GDateTime const& value);
    static void SetScramble(int level, GBuffer const& group, GBuffer const& key, GString const& value);
    static void SetScramble(int level, GBuffer const& group, GBuffer const& key, int value);
    static void SetDefault(int level, GBuffer const& group, GBuffer const& key, GString const& value);
    static void SetPrefSharing(int level, GBuffer const& group, bool shared);

    static GString Get(GBuffer const& group, GBuffer const& key);
    static void Get(GBuffer const& group, GBuffer const& key, GString& out);
    static int GetInt32(GBuffer const& group, GBuffer const& key);
    static void Get(GBuffer const& group, GBuffer const& key, int& out);
    static double GetReal(GBuffer const& group, GBuffer const& key);
    static void Get(GBuffer const& group, GBuffer const& key, double& out);
    static bool GetBool(GBuffer const& group, GBuffer const& key);
    static void Get(GBuffer const& group, GBuffer const& key, bool& out);
    static GPathName GetPathName(GBuffer const& group, GBuffer const& key);
    static void Get(GBuffer const& group, GBuffer const& key, GPathName& out);
    static GDateTime GetDateTime(GBuffer const& group, GBuffer const& key);
    static bool Get(GBuffer const& group, GBuffer const& key, GDateTime& out);
    static GString GetUnscramble(GBuffer const& group, GBuffer const& key);
    static int GetUnscrambleInt32(GBuffer const& group, GBuffer const& key);
    static GString GetNonSharedPref(GBuffer const& group, GBuffer const& key);
    static bool Has(GBuffer const& group, GBuffer const& key);

    static bool IsPrefSharing(GBuffer const& group);
    static void CopySharedPreferences();
    static void CopySharedPreferencesGroup(GBuffer const& group);
    static bool WillSubstituteVariablesInPrefType(GVariableSubstitution::StringType type);
    static void SubstituteFromVariables(GVariableSubstitution::StringType type, GString& text);
    static void SubstituteToVariables(GVariableSubstitution::StringType type, GString& text);

private:
    // The module that takes a write at level: level -3 hands a shared group to level -2.
    static GPrefModule* WriteTarget(int level, GBuffer const& group);
    // The first module below the shared level that has the key, or null.
    static GPrefModule* FindNonShared(GBuffer const& group, GBuffer const& key);
    static void DeleteEntry(GPrefsData& entry);

    static GTable<GPrefsData> sModules;
    static GSharedObject<GEncoding const> sEncoding;
    static GTable<GVariableSubstitution*> sVariableSubstitutors;
};
