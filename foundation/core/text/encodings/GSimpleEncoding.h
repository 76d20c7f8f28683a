#pragma once
// GSimpleEncoding: a single-byte encoding held as tables of 256 bytes, each byte with an optional
// glyph name and an optional Unicode text (normally one UTF-16 unit). The subclasses fill the
// tables in FillTables through AddMapping, which runs once, on the first use of the encoding (a
// conversion or a look-up, in whichever thread comes first), so that making an encoding costs
// nothing until it is used; afterwards nothing changes, so an encoding may be used from any
// thread. A fill that throws (the glyph list is not there) is tried again on the next use.
//
// Callers may rely on:
// - Both indexes keep the first byte given for a key: a glyph name or a Unicode value that several
//   bytes share always encodes to, and is found at, the byte that was mapped first.
// - A byte without Unicode text decodes to the default character, a unit without a byte encodes
//   to it; either sets flag 2. Surrogate halves are looked up one by one (and so never match).
// - An empty glyph name is never indexed: GetCharCode of "" finds nothing.
// - Decoding is one table read per byte, encoding two per unit; no call is made per character,
//   and runs of bytes that stand for themselves are copied in blocks.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/text/encodings/GCustomEncoding.h"

class GCharCode;
struct GLatinGlyphRow;

class GSimpleEncoding : public GCustomEncoding {
public:
    // Empty tables: no byte has a name or a text.
    explicit GSimpleEncoding(GBuffer const& description);
    ~GSimpleEncoding() override;

    // The byte takes the name (when always is set or the name is not empty) and the Unicode
    // text of the code (when the code is not empty; 2 bytes per UTF-16 unit, high byte first).
    void AddMapping(unsigned char byte, GBuffer const& name, GCharCode const& unicode, bool always);
    void AddMapping(unsigned char byte, GBuffer const& name, unsigned short unicode);
    void AddMapping(unsigned char byte, GBuffer const& name);
    void AddMapping(unsigned char byte, GCharCode const& unicode);
    void AddMapping(unsigned char byte, unsigned short unicode);
    // The byte has a glyph entry or a Unicode text.
    bool HasMapping(unsigned char byte) const;

    using GEncoding::ConvertTo;
    int32_t ConvertTo(GBuffer const& source, GUnicodeEncoding const* target, GBuffer& output) const override;
    int32_t ConvertFromUnicode(GBuffer const& source, GBuffer& output) const override;
    // Only 1-byte codes have names.
    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override;
    // A 1-byte code, or an empty one when no byte has the name.
    void GetCharCode(GBuffer const& name, GCharCode& code) const override;
    GBuffer const& GetASCIIDescription() const override;

protected:
    // Adds the encoding's mappings; called once, before the first use. Nothing by default.
    virtual void FillTables() {}

    // The byte takes the name and the value that the glyph list gives it (none when the list
    // lacks the name). Throws GException when the glyph list has not been built.
    void AddGlyphListMapping(unsigned char byte, char const* name);
    // Each row of the Latin character set with a code in the given column names that byte.
    void AddLatinGlyphNames(uint8_t GLatinGlyphRow::*code);
    // Each byte with a value in the byte-to-Unicode table (0: none) takes it.
    void AddUnicodeValues(uint16_t const* toUnicode);

private:
    // mDecode entries: a single unit is flagged, a longer text sends the byte to the slow path.
    static constexpr uint32_t kSingleUnit = 0x10000;
    static constexpr uint32_t kSeveralUnits = 0x20000;
    // Encoder entries: the byte with this flag; 0 for none.
    static constexpr uint16_t kHasByte = 0x100;

    void EnsureFilled() const;
    void MakeEmptyTables();
    void SetName(unsigned char byte, GBuffer const& name);
    void SetUnicode(unsigned char byte, GCharCode const& unicode);
    void IndexUnit(uint16_t unit, unsigned char byte);
    void FindDirectRuns();
    // Decodes from byte position i on, appending to output; for bytes with several units.
    int32_t DecodeFrom(unsigned char const* src, int n, int i, GBuffer& output) const;

    mutable std::recursive_mutex mFillMutex;
    mutable std::atomic<bool> mFilled{false};
    // Set while FillTables runs on the thread that holds the mutex: its own calls pass through.
    mutable bool mFilling = false;
    // A fill that threw keeps its empty tables for the next try.
    mutable bool mTablesMade = false;

    GBuffer mDescription;
    GTable<GBuffer> mGlyphNames;
    GTable<bool> mGlyphFlags;
    GDict<GBuffer, unsigned char> mNameIndex;
    GTable<GBuffer> mUnicodeTexts;
    GDict<GCharCode, unsigned char> mUnicodeIndex;

    // Derived from the tables above for the conversions (kept in step by AddMapping).
    uint32_t mDecode[256];
    // The same as plain units for the vector decoder: 0xFFFF where a byte has no unit or several
    // (or decodes to U+FFFF), which sends its block to the careful path.
    alignas(64) uint16_t mDecodeUnits[256];
    // Unit to byte in two levels: the high byte picks a page of 256 entries in mEncodePages
    // (page 0 is all empty), the low byte the entry.
    uint16_t mEncodePageOf[256];
    GTable<uint16_t> mEncodePages;
    // The longest run of bytes that decode to themselves and of units below 0x100 that encode to
    // themselves: copied in blocks without lookups.
    struct DirectRun {
        bool exists = false;
        uint8_t first = 0;
        uint8_t last = 0;
    };
    DirectRun mDecodeRun;
    DirectRun mEncodeRun;
};
