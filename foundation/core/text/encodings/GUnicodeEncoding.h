#pragma once
// GUnicodeEncoding: UTF-16 in machine byte order without a byte-order mark, the hub that every
// encoding decodes to. It also owns the process-wide glyph-name tables (the Adobe Glyph List and
// the ITC Zapf Dingbats list: names to values and back), the compatibility characters, and the
// composition of text to its canonical composed form (NFC).
//
// Callers may rely on:
// - The tables exist between Initialize() and Finalize(): the first look-up after Initialize
//   builds them (once, whichever thread asks first), Finalize() frees them. In between they do
//   not change and any thread may read them. Glyph-name lookups before Initialize or after
//   Finalize find nothing.
// - An odd last byte of UTF-16 text is ignored by every conversion.
// - A value with several glyph names lists its preferred name first: a dingbat number ("a1") is
//   never preferred over another name; otherwise the shortest name met first wins.
// - EnsureComposedUnicode leaves text that is already composed untouched (and costs a scan).
// A singleton (GetInstance/SetInstance).
#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GCustomEncoding.h"
#include "core/text/encodings/GEncoding.h"

class GCharCode;

class GUnicodeEncoding : public GEncoding {
public:
    GUnicodeEncoding();
    ~GUnicodeEncoding() override;

    // The other encoding's ConvertTo for UTF-16.
    int32_t ConvertFrom(GBuffer const& source, GEncoding const* other, GBuffer& output) const override;
    // A copy, status 1.
    int32_t ConvertTo(GBuffer const& source, GUnicodeEncoding const* target, GBuffer& output) const override;
    // Units without a byte in the target (U+0000 and surrogate halves included) become the
    // default character with flag 2.
    int32_t ConvertTo(GBuffer const& source, GMacRomanEncoding const* target, GBuffer& output) const override;
    // Units 0x07 to 0x7F are themselves.
    int32_t ConvertTo(GBuffer const& source, GASCIIEncoding const* target, GBuffer& output) const override;
    int32_t ConvertTo(GBuffer const& source, GWinAnsiEncoding const* target, GBuffer& output) const override;
    // The target's ConvertFromUnicode.
    int32_t ConvertTo(GBuffer const& source, GCustomEncoding const* target, GBuffer& output) const override;
    int32_t ConvertTo(GBuffer const& source, GPDFDocEncoding const* target, GBuffer& output) const override;
    // Codes are one UTF-16 unit as 2 bytes (a 1-byte code reads as its value).
    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override;
    // The glyph list's value as a 2-byte code; else a ligature name (f_f_i, T_h); else the part
    // before the first "." (A.sc). Names of the form uniXXXX are not decoded.
    void GetCharCode(GBuffer const& name, GCharCode& code) const override;
    GBuffer const& GetASCIIDescription() const override;
    // Composes the text (EnsureComposedUnicode).
    void Normalize(GBuffer& text) const override;
    // 2 times the number of units before the first zero unit.
    int GetLength(unsigned char const* text) const override;

    // All glyph names of a value, preferred first; empty for an empty code or one over 2 bytes.
    virtual void GetGlyphNameTable(GCharCode const& code, GTable<GBuffer>& names) const;
    // The one-character compatibility replacement of the code's first unit (U+00B5 -> U+03BC).
    virtual bool GetCompatChar(GCharCode const& code, GCharCode& replacement) const;
    // Replaces the text in place by its canonical composition (NFC). Lone surrogates pass
    // through; an odd last byte stays after the composed units.
    virtual void EnsureComposedUnicode(GBuffer& text) const;

    static void Initialize();
    static void Finalize();
    // A name made of glyph names joined by "_": the value of the joined name when the glyph list
    // has it (f_f_i is "ffi"), else the parts' values in order (2 bytes each); empty when a part
    // is unknown, the name has no "_", or the code would pass 255 bytes.
    void GetLigatureCharCode(GBuffer const& name, GCharCode& code) const;
    // Glyph name to value; null outside Initialize/Finalize.
    GDict<GBuffer, unsigned short> const* GetCharCodes() const;
    // The singleton's code for a glyph name as UTF-16 text, when it is exactly one unit: the
    // ASCII, UTF-8 and platform encodings start their GetCharCode here. False without a singleton
    // or such a unit.
    static bool TryGetGlyphUnit(GBuffer const& name, GBuffer& utf16);

    static GUnicodeEncoding* GetInstance() { return sInstance.Get(); }
    static void SetInstance(GUnicodeEncoding* encoding) { sInstance = encoding; }

    // The typed encoders on their own (they need no singleton). The output may not be the source.
    static int32_t EncodeMacRoman(GBuffer const& source, GBuffer& output);
    static int32_t EncodeASCII(GBuffer const& source, GBuffer& output);
    static int32_t EncodeWinAnsi(GBuffer const& source, GBuffer& output);
    static int32_t EncodePDFDoc(GBuffer const& source, GBuffer& output);

private:
    // Builds the tables on the first call after Initialize; false outside Initialize/Finalize.
    static bool EnsureTables();

    static GSharedObject<GUnicodeEncoding> sInstance;

    static GDict<unsigned short, unsigned short>* sUnicodeCompatCharsDict;
    static GDict<unsigned short, GBuffer>* sGlyphNames;
    static GDict<unsigned short, GTable<GBuffer> >* sGlyphNameTables;
    static GDict<GBuffer, unsigned short>* sCharCodes;
};
