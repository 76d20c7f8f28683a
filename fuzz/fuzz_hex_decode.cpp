// The hex decoder over arbitrary text, read in counts taken from the first byte, checked against a
// plain character-by-character reference; the one-call form must agree with the filter. Then the
// same bytes go through the encoder and back, which must give them unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/base/GException.h"
#include "core/bytes/GBuffer.h"
#include "core/streams/GHexDecode.h"
#include "core/streams/GHexEncode.h"
#include "core/streams/GMemoryInStream.h"
#include "core/support/GHexSupport.h"

namespace {

struct Decoded {
    std::string bytes;  // up to the end or the error
    bool failed = false;
};

int Nibble(unsigned char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

Decoded Reference(std::string const& text) {
    Decoded d;
    int high = -1;
    for (unsigned char c : text) {
        if (c == 8 || c == 9 || c == 10 || c == 11 || c == 13 || c == 32)
            continue;
        if (c == '>')
            break;
        int v = Nibble(c);
        if (v < 0) {
            d.failed = true;
            return d;
        }
        if (high < 0) {
            high = v;
        } else {
            d.bytes += static_cast<char>(high << 4 | v);
            high = -1;
        }
    }
    if (high >= 0)
        d.bytes += static_cast<char>(high << 4);
    return d;
}

std::string Text(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}

GBuffer Buffer(std::string const& s) {
    return GBuffer(reinterpret_cast<unsigned char const*>(s.data()), static_cast<int>(s.size()));
}

Decoded ThroughFilter(GInStream& in, int count) {
    Decoded d;
    GBuffer out;
    try {
        for (int n; (n = in.Read(out, count)) > 0;) {
            if (n != out.GetLength() || n > count)
                std::abort();
            d.bytes += Text(out);
        }
    } catch (GException const& e) {
        if (e.GetExceptionID() != 2452)
            std::abort();
        d.bytes += Text(out);
        d.failed = true;
    }
    return d;
}

void Check(Decoded const& got, Decoded const& expected) {
    if (got.failed != expected.failed || got.bytes != expected.bytes)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size < 1 || size > 1 << 16)
        return 0;
    int count = data[0] % 64 + 1;
    std::string const text(reinterpret_cast<char const*>(data + 1), size - 1);
    GBuffer const hex = Buffer(text);
    Decoded const expected = Reference(text);

    GHexDecode decoder(new GMemoryInStream(hex));
    Check(ThroughFilter(decoder, count), expected);

    Decoded whole;
    GBuffer out;
    try {
        GHexSupport::SetFromHexBuffer(hex, out);
    } catch (GException const&) {
        whole.failed = true;
    }
    whole.bytes = Text(out);
    Check(whole, expected);

    GBuffer escaped;
    GHexSupport::SetFromHexArray(hex.GetPtr(), hex.GetLength(), escaped);
    if (escaped.GetLength() > (hex.GetLength() + 1) / 2)
        std::abort();

    // decode(encode(x)) == x, by the one-call forms and by the filters read in pieces.
    GBuffer encoded;
    GHexSupport::SetToHexBuffer(hex, encoded);
    GBuffer back;
    GHexSupport::SetFromHexBuffer(encoded, back);
    if (Text(back) != text)
        std::abort();
    GHexDecode roundTrip(new GHexEncode(new GMemoryInStream(hex), data[0] % 2 == 0));
    Decoded const again = ThroughFilter(roundTrip, count);
    if (again.failed || again.bytes != text)
        std::abort();
    return 0;
}
