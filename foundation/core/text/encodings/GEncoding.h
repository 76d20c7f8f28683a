#pragma once
// GEncoding: what gives the bytes of a text their meaning. Every encoding decodes itself to
// UTF-16 (GUnicodeEncoding, machine byte order, no byte-order mark), the hub of all conversions;
// a caller converts text into an encoding by calling that encoding's ConvertFrom with the text
// and the encoding it is in, and each target picks the step it knows (double dispatch).
//
// Callers may rely on:
// - Conversions return a status built from the flags below and never throw for bad text (a
//   failed allocation still throws GMemoryException). Status 1 alone means clean; 3 (1 | 2)
//   comes from two-step conversions. An empty source gives an empty output and status 1.
// - A character the target cannot hold becomes the default character (flag 2). The default
//   character is one byte, taken as unsigned: 0xA4 enters UTF-16 as U+00A4.
// - The source and the output of a conversion may be the same buffer.
// - Encodings are immutable once built and may be used from any thread; they are shared through
//   GSharedObject, the last release deletes them.
#include <cstdint>

#include "core/bytes/GBuffer.h"
#include "core/memory/GThreadSafeRefCount.h"

class GCharCode;
class GUnicodeEncoding;
class GMacRomanEncoding;
class GASCIIEncoding;
class GWinAnsiEncoding;
class GCustomEncoding;
class GPDFDocEncoding;

class GEncoding : public GThreadSafeRefCount {
public:
    // Conversion status flags.
    static constexpr int32_t kConvertOK = 1;
    // Converted to the end, but something was replaced (or, decoding UTF-8, a zero byte was met;
    // in a platform conversion, it stopped at a character the target cannot hold).
    static constexpr int32_t kConvertLossy = 2;
    // Invalid or truncated input, or the platform refused the text; the output holds at most
    // what was converted before the failure.
    static constexpr int32_t kConvertFailed = 4;

    ~GEncoding() override;

    // Decodes source, text in other, into this encoding.
    virtual int32_t ConvertFrom(GBuffer const& source, GEncoding const* other, GBuffer& output) const = 0;
    // Decodes source, text in this encoding, to UTF-16. The target pointer only selects the
    // conversion: implementations never dereference it.
    virtual int32_t ConvertTo(GBuffer const& source, GUnicodeEncoding const* target, GBuffer& output) const = 0;
    // Typed conversions into the target's class; by default through UTF-16, returning the OR of
    // both steps' flags (4 alone when decoding fails, the output then left as it was).
    virtual int32_t ConvertTo(GBuffer const& source, GMacRomanEncoding const* target, GBuffer& output) const;
    virtual int32_t ConvertTo(GBuffer const& source, GASCIIEncoding const* target, GBuffer& output) const;
    virtual int32_t ConvertTo(GBuffer const& source, GWinAnsiEncoding const* target, GBuffer& output) const;
    // target must be the custom encoding object itself: its ConvertFromUnicode does the work.
    virtual int32_t ConvertTo(GBuffer const& source, GCustomEncoding const* target, GBuffer& output) const;
    virtual int32_t ConvertTo(GBuffer const& source, GPDFDocEncoding const* target, GBuffer& output) const;

    // The glyph name of one character of this encoding; false and an empty name when it has none.
    virtual bool GetGlyphName(GCharCode const& code, GBuffer& name) const = 0;
    // The character the glyph name denotes; an empty code when none.
    virtual void GetCharCode(GBuffer const& name, GCharCode& code) const = 0;
    virtual GBuffer const& GetASCIIDescription() const = 0;
    // The name equals the description byte for byte.
    virtual bool IsOfType(GBuffer const& name) const;
    // Brings text in this encoding into its normal form in place; by default nothing.
    virtual void Normalize(GBuffer& text) const;
    // Length in bytes of a zero-terminated text; by default the bytes before the first zero byte.
    virtual int GetLength(unsigned char const* text) const;

    // Set during start-up only (unguarded); read by every later conversion.
    static void SetDefaultCharacter(char c) { sDefaultCharacter = c; }
    static char GetDefaultCharacter() { return sDefaultCharacter; }
    // The default character as a byte and as a UTF-16 unit (never sign-extended).
    static unsigned char GetDefaultByte() { return static_cast<unsigned char>(sDefaultCharacter); }
    static uint16_t GetDefaultUnit() { return static_cast<unsigned char>(sDefaultCharacter); }

protected:
    GEncoding() = default;
    GEncoding(GEncoding const&) = delete;
    GEncoding& operator=(GEncoding const&) = delete;

    // Borrows a name of static storage (no copy): descriptions and glyph names.
    static GBuffer StaticName(char const* text);

private:
    // Shared by the default typed conversions: decode to UTF-16, then Encode.
    template <class Target>
    int32_t ConvertThroughUnicode(GBuffer const& source, Target const* target, GBuffer& output) const;

    static char sDefaultCharacter;
};
