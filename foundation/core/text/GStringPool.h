#pragma once
// GStringPool: every user-visible text of the system, by number, in one table per language. A
// lookup searches the "Neutral" table, then the current language's, then English ("enUS"); the
// first that holds the id gives the text. Each layer registers its English texts at start-up
// (GStringPoolData); string files add or replace texts for any language and are read the first
// time a language without a table is asked for.
//
// Callers may rely on:
// - Missing texts are never errors: the reference forms give the empty string, the others
//   return false with the output cleared.
// - The pool starts itself on first use; Finalize empties it and a later use starts it again.
// - Lookups and registrations may come from any thread (one lock guards the tables). String files
//   are read outside the lock by one thread at a time, so a slow file never holds up the other
//   threads' lookups in the current language; a lookup in a named language (and SetLanguage)
//   waits for a reading in progress, so it never finds a table half filled. The
//   reference-returning lookups are for the main thread: a text replaced later on another thread
//   would leave the reference dangling.
// - "enUS" and "Neutral" are never deleted; the lookups reach their tables directly.
// - Core cannot read files: the services install the file reading through SetStringFileHooks.
//   Without hooks no file is read, no language besides the registered ones is available, and
//   the preferred language is "enUS".
#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"
#include "core/containers/GPair.h"
#include "core/containers/GTable.h"
#include "core/text/GString.h"

class GEncoding;
class GStringPoolTable;

class GStringPool {
public:
    GStringPool() = delete;

    struct StringFileHooks {
        // Reads the default string files of language (GStringPoolSupport::ReadDefaultStringFile).
        void (*readLanguage)(GString const& language) = nullptr;
        // The languages of the default string files, in the folder's order.
        void (*availableLanguages)(GTable<GString>& out) = nullptr;
        // The supported code that best fits the user's languages ("enUS" when none fits).
        void (*preferredLanguage)(GTable<GString> const& available, GString& out) = nullptr;
    };
    static void SetStringFileHooks(StringFileHooks const& hooks);

    // "enUS" and "Neutral"; never destroyed.
    static GString const& GetEnglish();
    static GString const& GetNeutral();

    static void Initialize();
    static void Finalize();

    static GString const& GetString(int id);
    static bool GetString(int id, GString& out);
    // From the language's own table alone, its files read first when it has none; no fallback.
    static GString const& GetString(GString const& language, int id);
    static bool GetString(GString const& language, int id, GString& out);
    // The texts of firstID, firstID + 1, ... up to the first id that no table holds.
    static void GetStringList(int firstID, GTable<GString>& out);
    static GTable<GString>* GetStringList(int firstID);

    // The language's table, made (and the language listed) when missing. Reads no file.
    static GStringPoolTable* GetTable(GString const& language);
    // The language's table, its string files read the first time it has none; null without one.
    static GStringPoolTable* GetStringPoolTable(GString const& language);

    // Writes into a table under the pool's lock (the tables are shared between threads).
    static void SetString(GStringPoolTable* table, int id, GString const& text, GEncoding* encoding = nullptr);
    static void SetDefaultString(GStringPoolTable* table, int id, GString const& text, GEncoding* encoding = nullptr);

    // Makes language current when it has a table (or string files), else "enUS"; returns
    // whether it had one. "Neutral" is no language to choose: "enUS" and false.
    static bool SetLanguage(GString const& language);
    static GString const& GetLanguage();
    static void GetLanguage(GString& out);
    static GBuffer const& GetLanguageUTF8();

    // The languages with tables, then those of the default string files; computed once.
    static GTable<GString> const& GetAvailableLanguages();
    static int GetNumAvailableLanguages();
    // "enUS" and "Neutral" are kept; the current language falls back to "enUS". A deleted
    // language's files are not read again.
    static void DeleteLanguage(GString const& language);
    static void GetPreferredLanguage(GTable<GString> const& available, GString& out);

    // The languages that have tables (not "Neutral"), in the order of creation; a copy, as
    // other threads may add to it.
    static GTable<GString> GetLanguages();
    // Every table's language, "Neutral" included, in the pool's dictionary order.
    static GTable<GString> GetTableNames();
    // A copy of every (id, text, encoding) of a language's table; false when it has none.
    static bool GetEntries(GString const& language, GDict<int32_t, GPair<GString, GEncoding*>>& out);

    // Switches the language for its lifetime, as SetLanguage does, and back when it ends.
    class TempLanguageForcer {
    public:
        explicit TempLanguageForcer(GString const& language);
        ~TempLanguageForcer();
        TempLanguageForcer(TempLanguageForcer const&) = delete;
        TempLanguageForcer& operator=(TempLanguageForcer const&) = delete;
        bool WasForced() const;

    private:
        GString mPrevious;
    };
};
