// The text reader over outside bytes: tokens, lines, quoted strings, skips and counted reads in
// turn, then the containers' text forms over the same bytes. No crash, every text it gives is
// decodable, it always moves on, and after the last line nothing is left.
//
// Input: byte 0 picks the byte-order mark put in front (modulo 4: none, FF FE, FE FF, EF BB BF)
// and, divided by 4, the encoding the reader is given (modulo 5: none for detection, UTF-16,
// UTF-8, Mac Roman, Shift-JIS); the rest is the text.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/streams/GBin2TextStream.h"
#include "core/streams/GBufferedInStreamDecorator.h"
#include "core/streams/GMemoryInStream.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "core/text/encodings/GShiftJISEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"
#include "mac/encodings/PMacPlatformEncodingFactory.h"
#include "support/FoundationStartup.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

GEncoding const* Encoding(int choice) {
    static bool const ready = [] {
        StartFoundationWithPlatformEncodings();
        return true;
    }();
    (void)ready;
    switch (choice) {
    case 1:
        return GUnicodeEncoding::GetInstance();
    case 2:
        return GUTF8Encoding::GetInstance();
    case 3:
        return GMacRomanEncoding::GetInstance();
    case 4:
        return GShiftJISEncoding::GetInstance();
    default:
        return nullptr;
    }
}

void CheckText(GString const& text) {
    GBuffer units;
    Check((text.GetBuffer(units, GUnicodeEncoding::GetInstance()) & GEncoding::kConvertFailed) == 0);
}

std::unique_ptr<GBin2TextStream> NewReader(GBuffer const& bytes, GEncoding const* encoding) {
    return std::make_unique<GBin2TextStream>(new GBufferedInStreamDecorator(new GMemoryInStream(bytes), 1024),
                                             encoding);
}

void ReadPieces(GBuffer const& bytes, GEncoding const* encoding) {
    std::unique_ptr<GBin2TextStream> reader = NewReader(bytes, encoding);
    GString text;
    const GString terminators("=\\");
    const GString skipped("\"\\ ");
    // Every ReadLine before the end consumes a byte at least: enough rounds to reach the end.
    const int limit = bytes.GetLength() * 8 + 16;
    bool more = true;
    for (int step = 0; more && step < limit; ++step) {
        switch (step % 7) {
        case 0:
            reader->ReadQuotedString(text);
            break;
        case 1:
            reader->ReadString(text);
            break;
        case 2:
            more = reader->ReadLine(text);
            break;
        case 3:
            Check(reader->SkipWhitespace(step % 2 == 0) >= 0);
            break;
        case 4:
            Check(reader->Read(7, text) <= 7);
            break;
        case 5:
            Check(reader->SkipChars(skipped) >= 0);
            break;
        default:
            reader->ReadTillTerminator(terminators, text);
            break;
        }
        CheckText(text);
    }
    Check(!more);
    GBuffer raw;
    Check(reader->Read(raw, 1) == -1);
}

void ReadContainers(GBuffer const& bytes, GEncoding const* encoding) {
    GDict<GString, GString> dict;
    GTable<GString> table;
    {
        std::unique_ptr<GBin2TextStream> reader = NewReader(bytes, encoding);
        dict.ReadFrom(*reader);
        table.ReadFrom(*reader);
    }

    GString text;
    dict.ToString(text);
    GDict<GString, GString> dictBack;
    Check(dictBack.FromString(text) && dictBack.GetCount() <= dict.GetCount());
    table.ToString(text);
    GTable<GString> tableBack;
    Check(tableBack.FromString(text) && tableBack.GetCount() == table.GetCount());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size < 1 || size > 1 << 16)
        return 0;
    static char const* const marks[] = {"", "\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"};
    std::string bytes = marks[data[0] % 4];
    bytes.append(reinterpret_cast<char const*>(data + 1), size - 1);
    GEncoding const* encoding = Encoding(data[0] / 4 % 5);
    GBuffer buffer(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()));
    ReadPieces(buffer, encoding);
    ReadContainers(buffer, encoding);
    return 0;
}
