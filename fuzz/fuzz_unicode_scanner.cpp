// The UTF-16 scanner, over a stream and over the bytes in place, against the stream reader on
// outside bytes: all run the same calls and must give the same results and texts, lone bytes and
// cut escapes included.
//
// Input: byte 0 picks the encoding (detection or UTF-16), bytes 1 to 8 the calls (cycled), the
// rest is the text.
#include <cstdint>

#include "core/streams/GBin2TextStream.h"
#include "core/streams/GMemoryInStream.h"
#include "core/streams/GUnicodeTextScanner.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "support/FuzzInput.h"

namespace {

bool Same(GString const& a, GString const& b) {
    return a.GetEncodedBuffer() == b.GetEncodedBuffer() && a.GetEncodingName() == b.GetEncodingName();
}

template <class Reader>
long long Call(Reader& reader, int op, GString& text) {
    switch (op % 7) {
    case 0:
        return reader.ReadString(text);
    case 1:
        return reader.ReadLine(text);
    case 2:
        return reader.ReadQuotedString(text);
    case 3:
        return reader.SkipWhitespace(true);
    case 4:
        return reader.SkipWhitespace(false);
    case 5:
        return reader.Read(1 + op / 7 % 5, text);
    default: {
        const int units = reader.Read(1, text);
        return units > 0 ? reader.Unread(units * reader.GetUnitSize()) : units;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (!TakeInput(size, 9, 1 << 14))
        return 0;
    GEncoding const* encoding = data[0] % 2 == 0 ? nullptr : GEncodingFallback::Get<GUnicodeEncoding>();
    GBuffer const bytes(data + 9, static_cast<int>(size - 9));
    GMemoryInStream forStream(bytes);
    GMemoryInStream forScanner(bytes);
    const bool reads = GUnicodeTextScanner::Reads(forScanner, encoding);
    Check(reads == GUnicodeTextScanner::Reads(bytes, encoding));
    if (!reads)
        return 0;
    GBin2TextStream stream(forStream, encoding);
    GUnicodeTextScanner scanner(forScanner);
    GUnicodeTextScanner inPlace(bytes);
    for (std::size_t i = 0; i < size + 8; ++i) {
        const int op = data[1 + i % 8];
        GString fromStream;
        GString fromScanner;
        GString fromInPlace;
        const long long result = Call(stream, op, fromStream);
        Check(result == Call(scanner, op, fromScanner));
        Check(result == Call(inPlace, op, fromInPlace));
        Check(Same(fromStream, fromScanner));
        Check(Same(fromStream, fromInPlace));
    }
    GBuffer rest;
    const int last = stream.Read(rest, 1);
    Check(last == scanner.Read(rest, 1));
    Check(last == inPlace.Read(rest, 1));
    return 0;
}
