#pragma once
// GStringPoolData: how each layer registers its compiled-in texts in the string pools, and the
// names of the encodings that string files and registrations may use.
//
// Callers may rely on:
// - Rows are registered in order; a row id of -1 means the previous id + 1 (-1 + 1 = 0 for a
//   first row). The first registration of an id wins, and a text read from a string file stays.
// - Plain rows have their line ends turned into the platform's (CR); hexadecimal rows are
//   decoded from their digits and taken as they stand.
// - An encoding name that GetEncoding does not know registers nothing and is reported to the
//   trace hook; so is a row that cannot be decoded. Nothing throws for bad rows.
// - Usable before GStringPool::Initialize (the pool then starts itself).
#include <cstdint>

class GBuffer;
class GEncoding;
class GString;

struct GStringPoolDataStruct {
    int32_t id;
    char const* text;
};

class GStringPoolData {
public:
    GStringPoolData() = delete;

    // Receives one line for each registration or string-file table that was skipped.
    using TraceHook = void (*)(GString const& message);

    static void AddStringPoolData(GBuffer const& language, char const* encodingName, GStringPoolDataStruct const* rows,
                                  int count, bool hex);
    // The English texts of a layer: "enUS", WinAnsi, not hexadecimal.
    static void AddEnglishTexts(GStringPoolDataStruct const* rows, int count);

    // Exact names (case matters): "WinAnsiEncoding", "MacRomanEncoding", "UnicodeEncoding",
    // "ShiftJISEncoding", "UTF8Encoding", and "UTF-8Encoding" (the name the UTF-8 encoding
    // gives itself, which the string-file writer puts in its headers). Null for any other name,
    // and for a known one whose encoding is not set up yet.
    static GEncoding* GetEncoding(GBuffer const& name);
    // Whether name is one of the names above, set up or not.
    static bool IsKnownEncodingName(GBuffer const& name);

    static void SetTraceHook(TraceHook hook);
    static void Trace(GString const& message);
};
