#include "core/support/GStdSupport.h"

#include <cstring>
#include <stdexcept>

#include "core/base/GException.h"
#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GStringPool.h"
#include "core/text/GString.h"

namespace {

[[noreturn]] void IllFormed() { throw std::range_error("GStdSupport: ill-formed UTF-8"); }

// A length cut to an int would silently drop bytes: too long a text throws as a GBuffer growing
// past its largest size does.
int CheckedLength(std::string const& text) {
    if (text.size() > 0x7FFFFFFDu)
        throw GMemoryException();
    return static_cast<int>(text.size());
}

// The code point of the sequence at text[at], which is advanced past it.
char32_t DecodeOne(unsigned char const* text, std::size_t n, std::size_t& at) {
    const unsigned char lead = text[at++];
    if (lead < 0x80)
        return lead;
    int more;
    char32_t value;
    char32_t least;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        value = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        value = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        value = lead & 0x07;
        least = 0x10000;
    } else {
        IllFormed();
    }
    for (; more > 0; --more) {
        if (at == n || (text[at] & 0xC0) != 0x80)
            IllFormed();
        value = (value << 6) | (text[at++] & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        IllFormed();
    return value;
}

} // namespace

GBuffer GStdSupport::ToGBuffer(std::string const& text) {
    return GBuffer(reinterpret_cast<unsigned char const*>(text.data()), CheckedLength(text));
}

std::string GStdSupport::ToStdString(GBuffer const& bytes) {
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<std::size_t>(bytes.GetLength()));
}

std::wstring GStdSupport::ToStdWString(GBuffer const& utf8) {
    unsigned char const* text = utf8.GetPtr();
    const std::size_t n = ::strnlen(reinterpret_cast<char const*>(text), static_cast<std::size_t>(utf8.GetLength()));
    std::wstring wide;
    for (std::size_t at = 0; at < n;)
        wide.push_back(static_cast<wchar_t>(DecodeOne(text, n, at)));
    return wide;
}

GString GStdSupport::ToGString(std::string const& text, GEncoding const* encoding) {
    return GString(reinterpret_cast<unsigned char const*>(text.data()), CheckedLength(text), encoding, true);
}

void GStdSupport::ToGString(std::string const& text, GEncoding const* encoding, GString& out) {
    out.Set(reinterpret_cast<unsigned char const*>(text.data()), CheckedLength(text), encoding, true);
}

std::string GStdSupport::ToStdString(GString const& text, GEncoding const* encoding) {
    return ToStdString(text.GetBuffer(encoding));
}

std::string GStdSupport::StringIDToStdString(int id) {
    GString text;
    if (!GStringPool::GetString(id, text))
        return std::string();
    return ToStdString(text, GUTF8Encoding::GetInstance());
}

std::wstring GStdSupport::ToStdWString(GString const& text) {
    return ToStdWString(text.GetBuffer(GUTF8Encoding::GetInstance()));
}
