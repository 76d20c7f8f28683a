// Encoding detection on outside bytes, then the text in UTF-16 through the encoding chosen: no
// crash, a found encoding decodes its text cleanly, wide text only ever becomes UTF-16, a miss
// leaves nothing behind, and the scrambled form of what was found reads back.
//
// Input: byte 0 picks the candidates (the default order or one of a few lists); the rest is the text.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/support/GStringSupport.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GEncoding.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GPDFDocEncoding.h"
#include "core/text/encodings/GPlatformEncoding.h"
#include "core/text/encodings/GPlatformEncodingFactory.h"
#include "core/text/encodings/GShiftJISEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GWinAnsiEncoding.h"
#include "core/text/GString.h"
#include "mac/encodings/PMacPlatformEncodingFactory.h"
#include "support/FoundationStartup.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// The singletons and the platform factory, made once for the whole run as the core layer makes them.
std::vector<GTable<GEncoding*>> const& CandidateLists() {
    static std::vector<GTable<GEncoding*>> const lists = [] {
        StartFoundationWithPlatformEncodings();
        auto make = [](std::vector<GEncoding*> const& encodings) {
            GTable<GEncoding*> table;
            for (GEncoding* e : encodings)
                table.AddItem(e);
            return table;
        };
        return std::vector<GTable<GEncoding*>>{
            make({}),
            make({GUTF8Encoding::GetInstance(), GShiftJISEncoding::GetInstance(), GWinAnsiEncoding::GetInstance()}),
            make({GShiftJISEncoding::GetInstance(), GUnicodeEncoding::GetInstance()}),
            make({GASCIIEncoding::GetInstance()}),
        };
    }();
    return lists;
}

bool IsUnicode(GString const& s) { return s.GetEncoding().Get() == GUnicodeEncoding::GetInstance(); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::vector<GTable<GEncoding*>> const& lists = CandidateLists();
    if (size < 1 || size > 1 << 14)
        return 0;
    GTable<GEncoding*> const& candidates = lists[data[0] % lists.size()];
    GBuffer const bytes(data + 1, static_cast<int>(size - 1));

    GString out("stale");
    if (!GStringSupport::AssignEncoding(bytes, out, candidates)) {
        Check(out.IsEmpty() && !out.GetEncoding());
        return 0;
    }
    Check(static_cast<bool>(out.GetEncoding()));
    GBuffer units;
    Check(out.GetBuffer(units, GUnicodeEncoding::GetInstance()) == GEncoding::kConvertOK);
    Check(units.GetLength() % 2 == 0);
    if (IsUnicode(out))
        Check(out.GetEncodedBuffer().GetLength() % 2 == 0);

    GString const back = GStringSupport::DeScramble(GStringSupport::Scramble(out));
    Check(back == out);
    return 0;
}
