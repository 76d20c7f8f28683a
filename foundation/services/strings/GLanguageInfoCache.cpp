#include "services/strings/GLanguageInfoCache.h"

#include <exception>

#include "core/base/GMutexLocker.h"
#include "core/streams/GBin2TextStream.h"
#include "core/streams/GBufferedInStreamDecorator.h"
#include "core/streams/GContainerText.h"
#include "core/streams/GText2BinStream.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/GStringPool.h"
#include "mac/system/PSystem.h"
#include "services/files/GFileInStream.h"
#include "services/files/GFileOutStream.h"
#include "services/filesystem/GFileSystem.h"
#include "services/strings/GStringFileReader.h"

namespace {

GLanguageInfoCache* sInstance = nullptr;

constexpr char const* cPathNameKey = "PathName";
constexpr char const* cLanguageIDKey = "LanguageID";
constexpr char const* cRomanKey = "LanguageNameRomanScript";
constexpr char const* cJapaneseKey = "LanguageNameJapaneseScript";

bool Lookup(GDict<GString, GString> const& params, char const* key, GString& out) {
    int slot = 0;
    if (!params.GetExistingIndex(GString(key), slot))
        return false;
    out = params.GetValueAt(slot);
    return true;
}

}  // namespace

GLanguageInfoCache* GLanguageInfoCache::GetInstance() { return sInstance; }

void GLanguageInfoCache::SetInstance(GLanguageInfoCache* cache) {
    GLanguageInfoCache* const old = sInstance;
    sInstance = cache;
    delete old;  // writes its cache file
}

GLanguageInfoCache::GLanguageInfoCache()
    : mScript(PSystem::IsJapaneseUIEnabled() ? kJapaneseScript : kRomanScript) {}

GLanguageInfoCache::~GLanguageInfoCache() {
    try {
        WriteCache();
    } catch (...) {
        std::terminate();
    }
}

GLanguageInfo const* GLanguageInfoCache::AddLanguageInfo(GPathName const& path) {
    if (GLanguageInfo const* known = FindPath(path))
        return known;
    // Parsed without the lock: the parse asks the pools, which may be reading files that ask here.
    return Append(GetLanguageInfoFromFile(path), true);
}

GLanguageInfo const* GLanguageInfoCache::FindPath(GPathName const& path) const {
    GMutexLocker lock(mMutex);
    for (GLanguageInfo const& info : mEntries) {
        if (info.GetPathName() == path)
            return &info;
    }
    return nullptr;
}

GLanguageInfo const* GLanguageInfoCache::Append(GLanguageInfo info, bool unlessPathKnown) {
    GMutexLocker lock(mMutex);
    if (unlessPathKnown) {
        for (GLanguageInfo const& known : mEntries) {
            if (known.GetPathName() == info.GetPathName())
                return &known;
        }
    }
    mEntries.push_back(std::move(info));
    return &mEntries.back();
}

int GLanguageInfoCache::GetCount() const {
    GMutexLocker lock(mMutex);
    return static_cast<int>(mEntries.size());
}

GLanguageInfo GLanguageInfoCache::GetLanguageInfoFromFile(GPathName const& path) {
    GStringFileReader reader(path);
    reader.ParseStringFile();
    GString const language = reader.GetLanguageID();
    GString roman;
    GString japanese;
    if (!language.IsEmpty()) {
        GStringPool::GetString(language, cNameRomanScriptID, roman);
        GStringPool::GetString(language, cNameJapaneseScriptID, japanese);
    }
    return GLanguageInfo(path, language, roman, japanese);
}

GLanguageInfo const* GLanguageInfoCache::GetLanguageInfoFromID(GString const& id) const {
    GMutexLocker lock(mMutex);
    for (GLanguageInfo const& info : mEntries) {
        if (info.GetLanguageID() == id)
            return &info;
    }
    return nullptr;
}

GString const* GLanguageInfoCache::NameIn(GLanguageInfo const& info, LanguageScript script) {
    switch (script) {
    case kRomanScript:
        return &info.GetLanguageNameRomanScript();
    case kJapaneseScript:
        return &info.GetLanguageNameJapaneseScript();
    }
    return nullptr;
}

GLanguageInfo const* GLanguageInfoCache::GetLanguageInfoFromName(GString const& name) const {
    LanguageScript const script = mScript;
    GMutexLocker lock(mMutex);
    for (GLanguageInfo const& info : mEntries) {
        GString const* own = NameIn(info, script);
        if (own != nullptr && *own == name)
            return &info;
    }
    return nullptr;
}

GString const& GLanguageInfoCache::GetLanguageNameRomanScript(GString const& id) const {
    if (GLanguageInfo const* info = GetLanguageInfoFromID(id))
        return info->GetLanguageNameRomanScript();
    return GStringPool::GetString(id, cNameRomanScriptID);
}

GString const& GLanguageInfoCache::GetLanguageNameJapaneseScript(GString const& id) const {
    if (GLanguageInfo const* info = GetLanguageInfoFromID(id))
        return info->GetLanguageNameJapaneseScript();
    return GStringPool::GetString(id, cNameJapaneseScriptID);
}

void GLanguageInfoCache::GetLanguageName(GString const& id, GString& out) const {
    out.Clear();
    GLanguageInfo const* info = GetLanguageInfoFromID(id);
    switch (GetLanguageScript()) {
    case kJapaneseScript:
        if (info != nullptr)
            out = info->GetLanguageNameJapaneseScript();
        else
            GStringPool::GetString(id, cNameJapaneseScriptID, out);
        break;
    case kRomanScript:
        if (info != nullptr)
            out = info->GetLanguageNameRomanScript();
        else
            GStringPool::GetString(id, cNameRomanScriptID, out);
        break;
    }
}

void GLanguageInfoCache::GetLanguageID(GString const& name, GString& out) const {
    out.Clear();
    if (GLanguageInfo const* info = GetLanguageInfoFromName(name)) {
        out = info->GetLanguageID();
        return;
    }
    LanguageScript const script = mScript;
    int const id = script == kJapaneseScript ? cNameJapaneseScriptID : cNameRomanScriptID;
    if (script == kRomanScript || script == kJapaneseScript) {
        GString english;
        GStringPool::GetString(GStringPool::GetEnglish(), id, english);
        if (name == english)
            out = GStringPool::GetEnglish();
    } else if (name.IsEmpty()) {
        out = GStringPool::GetEnglish();
    }
}

bool GLanguageInfoCache::CacheFileUsable() const {
    return !mCacheFile.IsEmpty() && mCacheFile.HasRootPath() &&
           !(GFileSystem::FileExists(mCacheFile) && GFileSystem::FileInUse(mCacheFile));
}

void GLanguageInfoCache::SetCacheFile(GPathName const& path) {
    mCacheFile = path;
    ReadCacheFile();
}

void GLanguageInfoCache::ReadCacheFile() {
    if (!CacheFileUsable() || !GFileSystem::FileExists(mCacheFile))
        return;
    GFileInStream file(mCacheFile);
    GBufferedInStreamDecorator buffered(file, 1024);
    GBin2TextStream in(buffered, nullptr);
    GDict<GString, GString> block;
    while (GContainerText::ReadDict(in, block))
        AddInfoFromParams(block);
}

void GLanguageInfoCache::WriteCache() {
    if (!CacheFileUsable())
        return;
    std::deque<GLanguageInfo> entries;
    {
        GMutexLocker lock(mMutex);
        entries = mEntries;
    }
    GFileOutStream file(mCacheFile, true);
    GText2BinStream out(file, GUnicodeEncoding::GetInstance());
    for (GLanguageInfo const& info : entries) {
        GDict<GString, GString> block;
        block.Put(GString(cPathNameKey), info.GetPathName().GetCFMPathString());
        block.Put(GString(cLanguageIDKey), info.GetLanguageID());
        block.Put(GString(cRomanKey), info.GetLanguageNameRomanScript());
        block.Put(GString(cJapaneseKey), info.GetLanguageNameJapaneseScript());
        GContainerText::WriteDict(block, out);
    }
    out.Flush();
}

void GLanguageInfoCache::AddInfoFromParams(GDict<GString, GString> const& params) {
    GString pathText;
    GString language;
    GString roman;
    GString japanese;
    if (!Lookup(params, cPathNameKey, pathText) || !Lookup(params, cLanguageIDKey, language) ||
        !Lookup(params, cRomanKey, roman) || !Lookup(params, cJapaneseKey, japanese))
        return;
    GPathName path;
    path.SetCFMPathString(pathText);
    Append(GLanguageInfo(path, language, roman, japanese), false);
}
