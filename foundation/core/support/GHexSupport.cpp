#include "core/support/GHexSupport.h"

#include "core/bytes/GHexDigits.h"
#include "core/streams/GHexDecode.h"
#include "core/support/GBufferSupport.h"

namespace {

unsigned char ArrayNibble(unsigned char c) {
    unsigned char v = GHexDigits::Classify(c);
    return v < 16 ? v : 15;
}

GBuffer PlatformLineEnd() {
    GBuffer lineEnd("\r");
    GBufferSupport::ASCIIPlatformLineEndings(lineEnd);
    return lineEnd;
}

} // namespace

void GHexSupport::SetToHexBuffer(GBuffer const& bytes, GBuffer& out) {
    if (&bytes == &out) {
        GBuffer copy(bytes);
        SetToHexBuffer(copy, out);
        return;
    }
    int n = bytes.GetLength();
    unsigned char* p = GHexDigits::AppendRoom(out, 2LL * n);
    GHexDigits::Encode(bytes.GetPtr(), n, p);
}

void GHexSupport::SetFromHexBuffer(GBuffer const& hex, GBuffer& out) {
    if (&hex == &out) {
        GBuffer copy(hex);
        SetFromHexBuffer(copy, out);
        return;
    }
    int pending = -1;
    if (!GHexDecode::DecodeText(hex.GetPtr(), hex.GetLength(), out, pending) && pending >= 0)
        out += static_cast<unsigned char>(pending << 4);
}

void GHexSupport::SetFromHexArray(unsigned char const* hex, int length, GBuffer& out) {
    GBuffer result;
    if (hex == nullptr || length < 1) {
        out.Swap(result);
        return;
    }
    // An odd last digit is completed with 0 rather than pairing with the byte after the text.
    int pairs = length / 2 + length % 2;
    result.Allocate(pairs);
    unsigned char previous = 0;
    for (int i = 0; i < pairs; ++i) {
        unsigned char low = 2 * i + 1 < length ? ArrayNibble(hex[2 * i + 1]) : 0;
        auto byte = static_cast<unsigned char>(ArrayNibble(hex[2 * i]) << 4 | low);
        bool escaped = i > 0 && GBufferSupport::IsBackSlashCharacter(previous) && (byte == 't' || byte == 'n');
        if (escaped) {
            result.SetLength(result.GetLength() - 1);
            if (byte == 't')
                result += static_cast<unsigned char>('\t');
            else
                result += PlatformLineEnd();
        } else {
            result += byte;
        }
        previous = byte;
    }
    out.Swap(result);
}
