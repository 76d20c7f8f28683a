#pragma once
// Stands in for the CoreFoundation string services that the platform encodings are written
// against: the system's 8-bit code page, decoding bytes of a numbered encoding to UTF-16,
// encoding UTF-16 into one, and Unicode normalisation to forms C and KC.
//
// Behaviour kept from the original calls:
// - Encodings are named by their CoreFoundation numbers (the constants below). Mac Japanese (1)
//   is converted through our own table (Shift-JIS with Apple's extensions and its multi-unit
//   sequences); the other numbers through ICU converters. An unknown number converts nothing.
// - Decode takes the bytes as a whole: an invalid or cut byte sequence anywhere decodes nothing
//   and returns false, never a partial text.
// - Encode never substitutes: it stops before the first character the encoding cannot hold and
//   reports how many UTF-16 units it converted; the bytes hold that prefix. A surrogate pair is
//   one character: it converts whole or not at all.
// - UTF-16 (0x100) is host byte order without a byte-order mark; lone surrogates pass through it.
// - The system encoding is Mac Roman unless a test sets another (a change is seen at once).
// Everything here may be called from any thread except SetSystemEncoding.
#include <cstddef>
#include <string>

class StandinStringEncoding {
public:
    static constexpr int kMacRoman = 0;
    static constexpr int kMacJapanese = 1;
    static constexpr int kMacGreek = 6;
    static constexpr int kMacCyrillic = 7;
    static constexpr int kMacCentralEurRoman = 29;
    static constexpr int kMacTurkish = 35;
    static constexpr int kUnicode = 0x100;
    static constexpr int kISOLatin1 = 0x201;
    static constexpr int kDOSJapanese = 0x420;
    static constexpr int kDOSChineseSimplified = 0x421;
    static constexpr int kWindowsLatin1 = 0x500;
    static constexpr int kASCII = 0x600;
    static constexpr int kGB18030 = 0x632;
    static constexpr int kShiftJIS = 0xA01;
    static constexpr int kUTF8 = 0x08000100;

    // The numbers CoreFoundation gives the two forms.
    enum class NormalizationForm { kC = 2, kKC = 3 };

    static int GetSystemEncoding();
    // For tests: the code page the system reports from now on.
    static void SetSystemEncoding(int encoding);

    // True when the number names an encoding that converts here.
    static bool IsSupported(int encoding);

    // The bytes decoded to UTF-16; false and an empty text when any of them cannot be decoded or
    // the encoding is unknown.
    static bool Decode(int encoding, unsigned char const* bytes, std::size_t n, std::u16string& units);

    // Encodes units until the first character the encoding cannot hold; bytes receives the
    // converted prefix. Returns the number of units converted (0 for an unknown encoding).
    static std::size_t Encode(int encoding, char16_t const* units, std::size_t n, std::string& bytes);

    // Normalises the text in place; false (the text unchanged) when the normaliser is not there.
    static bool Normalize(std::u16string& units, NormalizationForm form);
};
