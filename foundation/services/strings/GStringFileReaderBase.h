#pragma once
// GStringFileReaderBase: parses a string file (".lng"): tables of numbered texts, each headed by
// its language and encoding, with continued lines, conditionals and comments. Each header and
// each text is handed to the virtual operations; GStringFileReader feeds them to the pools.
//
// Callers may rely on:
// - The format reports no errors: a token a table does not know ends that table, a missing
//   "EndStringTable" is accepted, ids without digits are 0, undecodable texts come out empty.
// - Every loop stops at the end of the file: inside a comment, a skipped conditional block, an
//   unterminated quoted string. Ids beyond 32 bits are held at the nearest 32-bit bound.
// - A table whose header names an encoding that GStringPoolSupport::GetEncoding does not know
//   is read (in the encoding in force) but not stored: HeaderParsed and AddString are not
//   called for it, and the trace hook of GStringPoolData is told.
// - A file that cannot be opened throws the file stream's exception from ParseStringFile.
// - One thread at a time.
#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "services/paths/GPathName.h"

class GBin2TextStream;
class GEncoding;

class GStringFileReaderBase {
public:
    explicit GStringFileReaderBase(GPathName const& path);
    GStringFileReaderBase(GStringFileReaderBase const&) = delete;
    GStringFileReaderBase& operator=(GStringFileReaderBase const&) = delete;
    virtual ~GStringFileReaderBase();

    void ParseStringFile();
    // The language of the last table header read, corrected.
    GString const& GetLanguageID() const { return mLanguage; }
    GEncoding* GetEncoding() const { return mEncoding; }
    GPathName const& GetPathName() const { return mPath; }

    // Skips a conditional block up to its "#endif", nested blocks included, or to the end of the
    // input. Returns false when the input ended first.
    static bool SkipTillEndIf(GBin2TextStream& in);

    // The pool language that a header's language token stands for: "English", "French",
    // "German", "Spanish" and the quoted "Neutral" become pool codes, others stay as written.
    static GString CorrectedLanguage(GString const& token);

    // The symbol defined on this platform (its platform code is 0).
    static char const* const cPlatformSymbol;

protected:
    virtual void InitializeDefines();
    // "English", "French", "German", "Spanish" and the quoted "Neutral" become pool codes.
    virtual void CorrectLanguage();
    // A token inside a table that is not part of the format; true when it was used.
    virtual bool ProcessSpecialToken(GString const& token, GBin2TextStream& in);
    virtual bool ProcessPragmas(GString const& token, GBin2TextStream& in);
    virtual bool ProcessDefines(GString const& token, GBin2TextStream& in);
    virtual void InitializeParser() {}
    virtual void FinalizeParser() {}
    virtual void HeaderParsed() {}
    virtual void AddString(int id, GString const& text) = 0;

    GTable<GString> mDefines;
    GString mLanguage;
    GEncoding* mEncoding = nullptr;

private:
    // Each returns false when the input ended.
    bool ParseHeader(GBin2TextStream& in);
    bool ParseTable(GBin2TextStream& in);
    bool ParseEntry(GBin2TextStream& in, int& lastID);
    bool ParseConditional(GString const& token, GBin2TextStream& in, bool& tableGoesOn);
    bool SkipBlockComment(GBin2TextStream& in);
    bool IsDefined(GString const& symbol) const;

    GPathName mPath;
    bool mStoring = false;
};
