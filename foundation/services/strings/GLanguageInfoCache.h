#pragma once
// GLanguageInfoCache: the languages for which string files exist, learned by parsing each file
// once (its texts enter the string pools as a side effect), with each language's name in Roman
// and Japanese script (pool ids 921032 and 921033 in the language's own table). What it learned
// can be kept in a cache file of "#BEGINDICT" blocks.
//
// Callers may rely on:
// - AddLanguageInfo parses a path at most once per cache and returns the same entry again.
// - Entries are never removed; their addresses stay valid for the cache's life.
// - A cache file reported in use is neither read nor written. Reading stops at the first block
//   that is not whole; entries read until then stay.
// - Lookups and additions may come from any thread (one lock guards the entries, never held
//   while a file is parsed or the pools are asked). Two threads adding the same new path at once
//   may both parse it; one entry is kept and both get it. The cache file is set, read and
//   written on the main thread.
#include <atomic>
#include <cstdint>
#include <deque>

#include "core/base/GMutexBase.h"
#include "core/containers/GDict.h"
#include "core/text/GString.h"
#include "services/paths/GPathName.h"
#include "services/strings/GLanguageInfo.h"

class GLanguageInfoCache {
public:
    // Any other value is a script without names (held as it is, never read as either).
    enum LanguageScript : int32_t { kRomanScript = 0, kJapaneseScript = 1 };

    static constexpr int cNameRomanScriptID = 921032;
    static constexpr int cNameJapaneseScriptID = 921033;

    static GLanguageInfoCache* GetInstance();
    // Writes and deletes the installed cache, then installs cache (null: none).
    static void SetInstance(GLanguageInfoCache* cache);

    GLanguageInfoCache();
    GLanguageInfoCache(GLanguageInfoCache const&) = delete;
    GLanguageInfoCache& operator=(GLanguageInfoCache const&) = delete;
    ~GLanguageInfoCache();

    void SetLanguageScript(LanguageScript script) { mScript = script; }
    LanguageScript GetLanguageScript() const { return mScript; }

    GLanguageInfo const* AddLanguageInfo(GPathName const& path);
    GLanguageInfo GetLanguageInfoFromFile(GPathName const& path);
    GLanguageInfo const* GetLanguageInfoFromID(GString const& id) const;
    GLanguageInfo const* GetLanguageInfoFromName(GString const& name) const;
    GString const& GetLanguageNameRomanScript(GString const& id) const;
    GString const& GetLanguageNameJapaneseScript(GString const& id) const;
    void GetLanguageName(GString const& id, GString& out) const;
    void GetLanguageID(GString const& name, GString& out) const;
    int GetCount() const;

    void SetCacheFile(GPathName const& path);
    void ReadCacheFile();
    void WriteCache();
    void AddInfoFromParams(GDict<GString, GString> const& params);

private:
    static GString const* NameIn(GLanguageInfo const& info, LanguageScript script);
    bool CacheFileUsable() const;
    GLanguageInfo const* FindPath(GPathName const& path) const;
    GLanguageInfo const* Append(GLanguageInfo info, bool unlessPathKnown);

    GPathName mCacheFile;
    mutable GMutex mMutex;
    // A deque keeps the entries where they are while more are added.
    std::deque<GLanguageInfo> mEntries;
    std::atomic<LanguageScript> mScript{kRomanScript};
};
