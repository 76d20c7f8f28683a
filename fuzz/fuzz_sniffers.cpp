// The content sniffers over arbitrary bytes, read whole and in pieces of the sizes the first
// byte picks: both must give the same kind, the kind found must pass its own test and every kind
// probed before it must fail its own, and no kind's test may pass when nothing was found.
#include <cstdint>
#include <string>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/streams/GMemoryInStream.h"
#include "core/support/GStreamSupport.h"
#include "support/FuzzInput.h"
#include "support/TestStreams.h"

namespace {

using Kind = GTypeEnums::Types;

// The order in which GetStreamType probes (JPEG first: its metadata may quote other headers); the
// three OpenType kinds share one test.
Kind const cProbeOrder[] = {
    GTypeEnums::kJPEG,         GTypeEnums::kPDF,          GTypeEnums::kCMap,       GTypeEnums::kMMType1,
    GTypeEnums::kWinType1,     GTypeEnums::kPSType1,    GTypeEnums::kType1MacSFNT,
    GTypeEnums::kTrueTypeCollection, GTypeEnums::kOpenTypeCFF, GTypeEnums::kTrueType,
    GTypeEnums::kOpenTypeCFFTrueType, GTypeEnums::kMacTrueType, GTypeEnums::kEPS,
    GTypeEnums::kPostScript,   GTypeEnums::kGIF,
    GTypeEnums::kTIFF,         GTypeEnums::kBMP,        GTypeEnums::kICCProfile,
    GTypeEnums::kFontMetrics,  GTypeEnums::kXML,
};

bool IsOpenType(Kind kind) { return kind >= GTypeEnums::kOpenTypeCFF && kind <= GTypeEnums::kOpenTypeCFFTrueType; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (!TakeInput(size, 1, 1 << 16))
        return 0;
    std::vector<int> pieces;
    for (int i = 0; i < 3; ++i)
        pieces.push_back((data[0] >> (2 * i) & 3) * 5 + 1);
    std::string const bytes(reinterpret_cast<char const*>(data + 1), size - 1);
    GBuffer const buffer = TestBuffer(bytes);

    GMemoryInStream whole(buffer);
    Kind const found = GStreamSupport::GetStreamType(whole);
    PiecewiseInStream inPieces(bytes, pieces);
    Check(GStreamSupport::GetStreamType(inPieces) == found);
    Check(inPieces.Position() == 0);
    Check((found == GTypeEnums::kEmpty) == bytes.empty());

    bool before = true;
    for (Kind kind : cProbeOrder) {
        bool const is = GStreamSupport::StreamIsOfType(whole, kind);
        Check(GStreamSupport::StreamIsOfType(inPieces, kind) == is);
        if (kind == found)
            Check(is);
        else if (before && !(IsOpenType(kind) && IsOpenType(found)))
            Check(!is);
        if (kind == found)
            before = false;
    }
    if (found == GTypeEnums::kNotImplemented || found == GTypeEnums::kEmpty)
        Check(before);

    GBuffer head;
    int const n = data[0] * 17;
    bool const reached = GStreamSupport::EnsureNumberOfBytes(whole, head, n);
    Check(reached == (static_cast<std::size_t>(n) <= bytes.size()));
    Check(TestText(head) == bytes.substr(0, static_cast<std::size_t>(n)));
    return 0;
}
