#pragma once
// GStringPoolTable: the texts of one language in the string pools, by id, each with the encoding
// it was registered or read in (a singleton, not owned; null when none is known).
//
// Callers may rely on:
// - SetString replaces the text of an id; SetDefaultString keeps a text that is there.
// - Texts are kept in their final (UTF-16) form, so copies of them may be read on any thread.
// - No lock of its own: GStringPool guards the tables it owns.
#include <cstdint>

#include "core/containers/GDict.h"
#include "core/containers/GPair.h"
#include "core/text/GString.h"

class GEncoding;

class GStringPoolTable {
public:
    using Entry = GPair<GString, GEncoding*>;

    GStringPoolTable();

    void SetString(int id, GString const& text, GEncoding* encoding);
    void SetDefaultString(int id, GString const& text, GEncoding* encoding);
    // Null when the table has no text for id.
    Entry const* FindStringForID(int id) const;
    void GetAllStrings(GDict<int32_t, GString>& out) const;
    // Every (id, text, encoding), for the writer.
    GDict<int32_t, Entry> const& GetEntries() const { return mEntries; }
    int GetCount() const { return mEntries.GetCount(); }

private:
    GDict<int32_t, Entry> mEntries;
};
