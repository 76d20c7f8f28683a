#pragma once
// The encodings of the tests (StartFoundation sets them up) and conversions between buffers and
// plain strings.
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GMacExpertEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPDFDocEncoding.h"
#include "core/text/encodings/GStandardEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "support/FoundationStartup.h"

#include <cstring>
#include <string>

// UTF-16 text in machine order, as the encodings hold it.
inline GBuffer UTF16Buffer(std::u16string const& units) {
    return GBuffer(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(units.size() * 2));
}

inline std::u16string UnitsOf(GBuffer const& buffer) {
    std::u16string units(static_cast<std::size_t>(buffer.GetLength() / 2), u'\0');
    if (!units.empty())
        std::memcpy(&units[0], buffer.GetPtr(), units.size() * 2);
    return units;
}

inline GBuffer ByteBuffer(std::string const& bytes) {
    return GBuffer(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()));
}

inline std::string BytesOf(GBuffer const& buffer) {
    return std::string(reinterpret_cast<char const*>(buffer.GetPtr()), static_cast<std::size_t>(buffer.GetLength()));
}
