#include "core/text/GStringPool.h"

#include <exception>

#include "core/base/GMutexBase.h"
#include "core/base/GMutexLocker.h"
#include "core/containers/GDict.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GStringPoolData.h"
#include "core/text/GStringPoolTable.h"

namespace {

GString const& FinalName(char const* ascii) {
    // Never destroyed: messages may be rendered on other threads while the program exits.
    auto* name = new GString(ascii);
    name->EnsureUnicode();
    return *name;
}

struct State {
    GMutex mutex;
    // Held while string files are read through the hooks, taken before mutex: one reading at a
    // time. While one runs, a table may still be filling, so lookups of a language's own table
    // wait for the reading to end.
    GMutex readingMutex;
    int readingsInProgress = 0;
    bool initialized = false;
    GDict<GString, GStringPoolTable*> tables;
    GStringPoolTable* english = nullptr;
    GStringPoolTable* neutral = nullptr;
    GStringPoolTable* current = nullptr;
    GString currentLanguage;
    GBuffer currentLanguageUTF8;
    GTable<GString> languages;
    GTable<GString> languagesRead;
    GTable<GString> availableLanguages;
    bool availableLanguagesCached = false;
    GStringPool::StringFileHooks hooks;
};

State& TheState() {
    // Never destroyed, for the same reason as the names.
    static State* const state = new State;
    return *state;
}

GBuffer UTF8Of(GString const& text) {
    if (GUTF8Encoding* utf8 = GUTF8Encoding::GetInstance())
        return text.GetBuffer(utf8);
    // Before the encodings start: language codes are ASCII.
    GBuffer out;
    text.EnsureUnicode();
    GBuffer const& units = text.GetEncodedBuffer();
    for (int i = 0; i + 1 < units.GetLength(); i += 2) {
        uint16_t unit = 0;
        __builtin_memcpy(&unit, units.GetPtr() + i, 2);
        out += static_cast<unsigned char>(unit < 0x80 ? unit : '?');
    }
    return out;
}

GString FinalCopy(GString const& text) {
    GString copy(text);
    copy.EnsureUnicode();
    return copy;
}

// Marks a reading of string files as running for as long as it lives.
class ReadingInProgress {
public:
    explicit ReadingInProgress(State& state) : mState(state) {
        GMutexLocker lock(mState.mutex);
        ++mState.readingsInProgress;
    }
    ~ReadingInProgress() {
        GMutexLocker lock(mState.mutex);
        --mState.readingsInProgress;
    }
    ReadingInProgress(ReadingInProgress const&) = delete;
    ReadingInProgress& operator=(ReadingInProgress const&) = delete;

private:
    State& mState;
};

// The lock must be held.
void StartLocked(State& state) {
    if (state.initialized)
        return;
    state.initialized = true;
    state.english = new GStringPoolTable;
    state.tables.Put(GStringPool::GetEnglish(), state.english);
    state.languages.AddItem(GStringPool::GetEnglish());
    state.neutral = new GStringPoolTable;
    state.tables.Put(GStringPool::GetNeutral(), state.neutral);
    state.currentLanguage = GStringPool::GetEnglish();
    state.currentLanguageUTF8 = GBuffer("enUS");
    state.current = state.english;
}

State& Started() {
    State& state = TheState();
    GMutexLocker lock(state.mutex);
    StartLocked(state);
    return state;
}

GStringPoolTable* TableOf(State& state, GString const& language) {
    int slot = 0;
    if (!state.tables.GetExistingIndex(language, slot))
        return nullptr;
    return state.tables.GetValueAt(slot);
}

GStringPoolTable::Entry const* Find(State& state, int id) {
    for (GStringPoolTable* table : {state.neutral, state.current, state.english}) {
        if (table == nullptr)
            continue;
        if (GStringPoolTable::Entry const* entry = table->FindStringForID(id))
            return entry;
    }
    return nullptr;
}

// The lock must be held. A language without a table makes "enUS" current.
void MakeCurrentLocked(State& state, GString const& language) {
    GStringPoolTable* table = TableOf(state, language);
    if (table == nullptr || language == GStringPool::GetNeutral()) {
        state.currentLanguage = GStringPool::GetEnglish();
        state.current = state.english;
    } else {
        state.currentLanguage = FinalCopy(language);
        state.current = table;
    }
    state.currentLanguageUTF8 = UTF8Of(state.currentLanguage);
}

}  // namespace

void GStringPool::SetStringFileHooks(StringFileHooks const& hooks) {
    State& state = TheState();
    GMutexLocker lock(state.mutex);
    state.hooks = hooks;
}

GString const& GStringPool::GetEnglish() {
    static GString const& english = FinalName("enUS");
    return english;
}

GString const& GStringPool::GetNeutral() {
    static GString const& neutral = FinalName("Neutral");
    return neutral;
}

void GStringPool::Initialize() {
    Started();
    // The language names of English (each language's own files carry theirs).
    static constexpr GStringPoolDataStruct kNames[] = {{921032, "English"}, {921033, "English"}};
    GStringPoolData::AddEnglishTexts(kNames, 2);
}

void GStringPool::Finalize() {
    State& state = TheState();
    GMutexLocker lock(state.mutex);
    state.tables.DeleteAll();
    state.languagesRead.Resize(0);
    state.languages.Resize(0);
    state.availableLanguages.Resize(0);
    state.availableLanguagesCached = false;
    state.english = state.neutral = state.current = nullptr;
    state.currentLanguage.Clear();
    state.currentLanguageUTF8.Clear();
    state.initialized = false;
}

GString const& GStringPool::GetString(int id) {
    State& state = Started();
    GMutexLocker lock(state.mutex);
    GStringPoolTable::Entry const* entry = Find(state, id);
    return entry != nullptr ? entry->first : GString::cEmptyString;
}

bool GStringPool::GetString(int id, GString& out) {
    State& state = Started();
    GMutexLocker lock(state.mutex);
    if (GStringPoolTable::Entry const* entry = Find(state, id)) {
        out = entry->first;
        return true;
    }
    out.Clear();
    return false;
}

GString const& GStringPool::GetString(GString const& language, int id) {
    GStringPoolTable* table = GetStringPoolTable(language);
    State& state = TheState();
    GMutexLocker lock(state.mutex);
    GStringPoolTable::Entry const* entry = table != nullptr ? table->FindStringForID(id) : nullptr;
    return entry != nullptr ? entry->first : GString::cEmptyString;
}

bool GStringPool::GetString(GString const& language, int id, GString& out) {
    GStringPoolTable* table = GetStringPoolTable(language);
    State& state = TheState();
    GMutexLocker lock(state.mutex);
    GStringPoolTable::Entry const* entry = table != nullptr ? table->FindStringForID(id) : nullptr;
    if (entry == nullptr) {
        out.Clear();
        return false;
    }
    out = entry->first;
    return true;
}

void GStringPool::GetStringList(int firstID, GTable<GString>& out) {
    out.Resize(0);
    State& state = Started();
    GMutexLocker lock(state.mutex);
    for (int64_t id = firstID; id <= INT32_MAX; ++id) {
        GStringPoolTable::Entry const* entry = Find(state, static_cast<int>(id));
        if (entry == nullptr)
            break;
        out.AddItem(entry->first);
    }
}

GTable<GString>* GStringPool::GetStringList(int firstID) {
    auto* out = new GTable<GString>;
    GetStringList(firstID, *out);
    return out;
}

GStringPoolTable* GStringPool::GetTable(GString const& language) {
    State& state = Started();
    GMutexLocker lock(state.mutex);
    if (GStringPoolTable* table = TableOf(state, language))
        return table;
    GString const name = FinalCopy(language);
    auto* table = new GStringPoolTable;
    state.tables.Put(name, table);
    state.languages.AddUniqueItem(name);
    return table;
}

GStringPoolTable* GStringPool::GetStringPoolTable(GString const& language) {
    State& state = Started();
    {
        GMutexLocker lock(state.mutex);
        GStringPoolTable* table = TableOf(state, language);
        if (table != nullptr && state.readingsInProgress == 0)
            return table;
    }
    // Whoever is reading files (another thread, or this one further up) holds the reading lock;
    // once it is ours, any table there is whole.
    GMutexLocker reading(state.readingMutex);
    void (*readLanguage)(GString const&) = nullptr;
    {
        GMutexLocker lock(state.mutex);
        if (GStringPoolTable* table = TableOf(state, language))
            return table;
        if (state.languagesRead.FindItem(language) >= 0)
            return nullptr;
        state.languagesRead.AddItem(FinalCopy(language));
        readLanguage = state.hooks.readLanguage;
    }
    if (readLanguage == nullptr)
        return nullptr;
    {
        // Outside the lock: the reader takes it for each text it stores.
        ReadingInProgress inProgress(state);
        readLanguage(language);
    }
    GMutexLocker lock(state.mutex);
    return TableOf(state, language);
}

void GStringPool::SetString(GStringPoolTable* table, int id, GString const& text, GEncoding* encoding) {
    State& state = TheState();
    GMutexLocker lock(state.mutex);
    table->SetString(id, text, encoding);
}

void GStringPool::SetDefaultString(GStringPoolTable* table, int id, GString const& text, GEncoding* encoding) {
    State& state = TheState();
    GMutexLocker lock(state.mutex);
    table->SetDefaultString(id, text, encoding);
}

bool GStringPool::SetLanguage(GString const& language) {
    // "Neutral" is searched first whatever the language; it cannot be one.
    bool const found = !(language == GetNeutral()) && GetStringPoolTable(language) != nullptr;
    State& state = TheState();
    GMutexLocker lock(state.mutex);
    MakeCurrentLocked(state, found ? language : GetEnglish());
    return found;
}

GString const& GStringPool::GetLanguage() {
    State& state = Started();
    GMutexLocker lock(state.mutex);
    return state.currentLanguage;
}

void GStringPool::GetLanguage(GString& out) {
    State& state = Started();
    GMutexLocker lock(state.mutex);
    out = state.currentLanguage;
}

GBuffer const& GStringPool::GetLanguageUTF8() {
    State& state = Started();
    GMutexLocker lock(state.mutex);
    return state.currentLanguageUTF8;
}

GTable<GString> const& GStringPool::GetAvailableLanguages() {
    State& state = Started();
    void (*availableLanguages)(GTable<GString>&) = nullptr;
    {
        GMutexLocker lock(state.mutex);
        if (state.availableLanguagesCached)
            return state.availableLanguages;
        availableLanguages = state.hooks.availableLanguages;
    }
    // The files are parsed outside the pool's lock (their texts enter the pool as they are read),
    // by one thread; the others wait for its list.
    GMutexLocker reading(state.readingMutex);
    {
        GMutexLocker lock(state.mutex);
        if (state.availableLanguagesCached)
            return state.availableLanguages;
    }
    GTable<GString> fromFiles;
    if (availableLanguages != nullptr) {
        ReadingInProgress inProgress(state);
        availableLanguages(fromFiles);
    }
    GMutexLocker lock(state.mutex);
    if (!state.availableLanguagesCached) {
        state.availableLanguages = state.languages;
        for (GString const& language : fromFiles)
            state.availableLanguages.AddUniqueItem(FinalCopy(language));
        state.availableLanguagesCached = true;
    }
    return state.availableLanguages;
}

int GStringPool::GetNumAvailableLanguages() { return GetAvailableLanguages().GetCount(); }

void GStringPool::DeleteLanguage(GString const& language) {
    State& state = Started();
    GMutexLocker lock(state.mutex);
    // The lookups reach both through direct pointers: deleting either would leave them dangling.
    if (language == GetEnglish() || language == GetNeutral())
        return;
    if (language == state.currentLanguage)
        MakeCurrentLocked(state, GetEnglish());
    state.languages.RemoveItem(language);
    state.tables.Delete(language);
}

void GStringPool::GetPreferredLanguage(GTable<GString> const& available, GString& out) {
    void (*preferredLanguage)(GTable<GString> const&, GString&) = nullptr;
    {
        State& state = TheState();
        GMutexLocker lock(state.mutex);
        preferredLanguage = state.hooks.preferredLanguage;
    }
    if (preferredLanguage != nullptr)
        preferredLanguage(available, out);
    else
        out = GetEnglish();
}

GTable<GString> GStringPool::GetLanguages() {
    State& state = Started();
    GMutexLocker lock(state.mutex);
    return state.languages;
}

GTable<GString> GStringPool::GetTableNames() {
    State& state = Started();
    GMutexLocker lock(state.mutex);
    GTable<GString> names;
    for (int slot = 0; slot < state.tables.GetAllocation(); ++slot) {
        if (state.tables.IsSlotUsed(slot))
            names.AddItem(state.tables.GetKeyAt(slot));
    }
    return names;
}

bool GStringPool::GetEntries(GString const& language, GDict<int32_t, GPair<GString, GEncoding*>>& out) {
    State& state = Started();
    GMutexLocker lock(state.mutex);
    out.RemoveAll();
    GStringPoolTable* table = TableOf(state, language);
    if (table == nullptr)
        return false;
    out = table->GetEntries();
    return true;
}

GStringPool::TempLanguageForcer::TempLanguageForcer(GString const& language) {
    GetLanguage(mPrevious);
    SetLanguage(language);
}

GStringPool::TempLanguageForcer::~TempLanguageForcer() {
    try {
        SetLanguage(mPrevious);
    } catch (...) {
        std::terminate();
    }
}

bool GStringPool::TempLanguageForcer::WasForced() const {
    GString current;
    GetLanguage(current);
    return !(current == mPrevious);
}
