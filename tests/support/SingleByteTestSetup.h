#pragma once
// Small helpers shared by the tests of the single-byte encodings (set up by
// EnsureEncodingSingletons).
#include <unicode/ucnv.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "core/text/encodings/GCharCode.h"
#include "support/EncodingTestSetup.h"

// Sets the default character for one test and puts the old one back.
class DefaultCharacterScope {
public:
    explicit DefaultCharacterScope(char c) : mSaved(GEncoding::GetDefaultCharacter()) {
        GEncoding::SetDefaultCharacter(c);
    }
    ~DefaultCharacterScope() { GEncoding::SetDefaultCharacter(mSaved); }
    DefaultCharacterScope(DefaultCharacterScope const&) = delete;
    DefaultCharacterScope& operator=(DefaultCharacterScope const&) = delete;

private:
    char mSaved;
};

// One byte decoded by the encoding; -1 when it decodes to the default character with status 2.
inline int DecodeByte(GEncoding const& encoding, int byte) {
    const unsigned char b = static_cast<unsigned char>(byte);
    GBuffer out;
    const int32_t status = encoding.ConvertTo(GBuffer(&b, 1), GUnicodeEncoding::GetInstance(), out);
    if (status == GEncoding::kConvertLossy && UnitsOf(out) == std::u16string(1, u'@'))
        return -1;
    if (status != GEncoding::kConvertOK || out.GetLength() != 2)
        return -2;  // neither a clean character nor the default character
    return UnitsOf(out)[0];
}

inline std::string GlyphNameOf(GEncoding const& encoding, int byte) {
    GBuffer name;
    if (!encoding.GetGlyphName(GCharCode(static_cast<unsigned char>(byte)), name))
        return std::string();
    return BytesOf(name);
}

// Each byte through an ICU converter that stops at unmapped input; -1 where ICU has no mapping.
inline std::map<int, int> IcuToUnicode(char const* converterName) {
    struct Closer {
        void operator()(UConverter* c) const { ucnv_close(c); }
    };
    std::map<int, int> table;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, Closer> converter(ucnv_open(converterName, &status));
    if (U_FAILURE(status))
        return table;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        UChar out[4] = {};
        status = U_ZERO_ERROR;
        ucnv_reset(converter.get());
        const int32_t n = ucnv_toUChars(converter.get(), out, 4, &byte, 1, &status);
        table[b] = (U_SUCCESS(status) && n == 1) ? out[0] : -1;
    }
    return table;
}

// Every byte with a value: the value encodes to a byte that decodes to the same value, and the
// byte it encodes to is the byte itself unless `firstOf` names the earlier byte with that value.
inline void ExpectRoundTrips(GSimpleEncoding const& encoding, std::map<int, int> const& firstOf = {}) {
    int mapped = 0;
    for (int b = 0; b < 256; ++b) {
        const int value = DecodeByte(encoding, b);
        if (value < 0)
            continue;
        ++mapped;
        GBuffer bytes;
        const int32_t status = encoding.ConvertFrom(UTF16Buffer(std::u16string(1, static_cast<char16_t>(value))),
                                                    GUnicodeEncoding::GetInstance(), bytes);
        ASSERT_EQ(status, GEncoding::kConvertOK) << "byte 0x" << std::hex << b;
        ASSERT_EQ(bytes.GetLength(), 1);
        const int back = bytes.GetPtr()[0];
        const auto first = firstOf.find(b);
        EXPECT_EQ(back, first != firstOf.end() ? first->second : b) << "byte 0x" << std::hex << b;
        EXPECT_EQ(DecodeByte(encoding, back), value) << "byte 0x" << std::hex << b;
    }
    EXPECT_GT(mapped, 0);
}

// The encoding's own encoder and the UTF-16 encoding's typed one give the same bytes for every unit.
template <class Typed>
void ExpectEncodersAgree(GSimpleEncoding const& encoding, Typed const* typed) {
    std::u16string all(0x10000, u'\0');
    for (int u = 0; u < 0x10000; ++u)
        all[static_cast<std::size_t>(u)] = static_cast<char16_t>(u);
    GBuffer ours;
    GBuffer theirs;
    encoding.ConvertFromUnicode(UTF16Buffer(all), ours);
    GUnicodeEncoding::GetInstance()->ConvertTo(UTF16Buffer(all), typed, theirs);
    ASSERT_EQ(ours.GetLength(), 0x10000);
    ASSERT_EQ(theirs.GetLength(), 0x10000);
    for (int u = 0; u < 0x10000; ++u)
        ASSERT_EQ(ours.GetPtr()[u], theirs.GetPtr()[u]) << "unit U+" << std::hex << u;
}

// Glyph name of each byte against a 256-entry vector (nullptr = none), and each name back to the
// byte: its own unless `firstOf` names the earlier byte with that name.
inline void ExpectGlyphNames(GSimpleEncoding const& encoding, char const* const* vector,
                             std::map<int, int> const& firstOf = {}) {
    for (int b = 0; b < 256; ++b) {
        const std::string name = GlyphNameOf(encoding, b);
        EXPECT_EQ(name, vector[b] != nullptr ? vector[b] : "") << "byte 0x" << std::hex << b;
        if (name.empty())
            continue;
        GCharCode code;
        encoding.GetCharCode(GBuffer(name.c_str()), code);
        const auto first = firstOf.find(b);
        EXPECT_EQ(code, GCharCode(static_cast<unsigned char>(first != firstOf.end() ? first->second : b)))
            << name;
    }
}
