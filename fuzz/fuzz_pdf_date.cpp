// The PDF-date reader over arbitrary bytes: it must stay inside the text, and every date it
// accepts must write back to a text that reads again to the same moment (and offset, unless only
// the UTC form fits four digits of year).
#include <cstdint>
#include <cstdlib>

#include "core/bytes/GBuffer.h"
#include "core/values/GDateTime.h"

namespace {

bool SameOffset(GDateTime const& a, GDateTime const& b) {
    int signA, hoursA, minutesA, signB, hoursB, minutesB;
    a.GetOffset(signA, hoursA, minutesA);
    b.GetOffset(signB, hoursB, minutesB);
    return signA == signB && hoursA == hoursB && minutesA == minutesB;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size > 4096)
        return 0;
    // Borrowed without a terminator: the reader must stay inside the length.
    GBuffer text;
    text.TakeByteArray(data, static_cast<int>(size), static_cast<int>(size));

    // An offset of its own, so that a date without a zone keeps a non-zero one.
    const GDateTime before(15, 6, 2024, 12, 0, 0, -1, 3, 30);
    GDateTime value(before);
    const int result = value.SetFromPDFDateTime(text);
    if (result < 0 || result > 2)
        std::abort();
    if (result == 0) {
        if (value.CompareWith(before) != 0 || !SameOffset(value, before))
            std::abort();
        return 0;
    }

    GBuffer written;
    value.GetAsPDFDateTime(written);
    GDateTime reread(1, 1, 1980, 0, 0, 0, 1, 7, 0);
    if (reread.SetFromPDFDateTime(written) != 1)
        std::abort();
    if (reread.CompareWith(value) != 0)
        std::abort();
    // Near year 0 or 9999 only the UTC form may have four digits of year.
    if (!SameOffset(reread, value) && !SameOffset(reread, GDateTime()))
        std::abort();
    GBuffer again;
    reread.GetAsPDFDateTime(again);
    if (!(again == written))
        std::abort();
    return 0;
}
