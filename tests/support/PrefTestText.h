#pragma once
// Helpers of the preference tests: byte strings, texts and paths from std::string (UTF-8), and
// files in the encodings the preference text is stored in.
#include <string>

#include "core/bytes/GBuffer.h"
#include "core/text/GString.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "services/paths/GPathName.h"

namespace preftest {

inline GEncoding const* Unicode() { return GEncodingFallback::Get<GUnicodeEncoding>(); }
inline GEncoding const* UTF8() { return GEncodingFallback::Get<GUTF8Encoding>(); }
inline GEncoding const* MacRoman() { return GEncodingFallback::Get<GMacRomanEncoding>(); }

inline GBuffer B(std::string const& bytes) {
    return GBuffer(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()));
}

inline std::string S(GBuffer const& bytes) {
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}

inline GString T(std::string const& utf8) {
    return GString(reinterpret_cast<unsigned char const*>(utf8.data()), static_cast<int>(utf8.size()), UTF8());
}

// The text as UTF-8.
inline std::string U8(GString const& text) {
    GBuffer bytes;
    text.GetBuffer(bytes, UTF8());
    return S(bytes);
}

// The text in the encoding's bytes (UTF-16 little-endian for Unicode, no mark).
inline std::string Encoded(std::string const& utf8, GEncoding const* encoding) {
    GBuffer bytes;
    T(utf8).GetBuffer(bytes, encoding);
    return S(bytes);
}

inline std::string UTF16(std::string const& utf8, bool mark) {
    return (mark ? std::string("\xFF\xFE", 2) : std::string()) + Encoded(utf8, Unicode());
}

inline GPathName P(std::string const& utf8) { return GPathName(T(utf8)); }

}  // namespace preftest
