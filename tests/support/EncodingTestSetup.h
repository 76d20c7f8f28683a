#pragma once
// What the core layer sets up at start-up for the encodings of this layer: the UTF-16 tables and
// the ASCII, UTF-16 and UTF-8 singletons. Tests call it before they convert; calling it again
// changes nothing. The singletons stay for the rest of the test process.
#include "GASCIIEncoding.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"

inline void EnsureEncodingSingletons() {
    GUnicodeEncoding::Initialize();
    if (GASCIIEncoding::GetInstance() == nullptr)
        GASCIIEncoding::SetInstance(new GASCIIEncoding);
    if (GUnicodeEncoding::GetInstance() == nullptr)
        GUnicodeEncoding::SetInstance(new GUnicodeEncoding);
    if (GUTF8Encoding::GetInstance() == nullptr)
        GUTF8Encoding::SetInstance(new GUTF8Encoding);
}

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
