// GRange's reader of user-typed page lists: any text parses without harm, the parsed range is
// consistent, equals its items read one by one and added in the order of the text (the general
// merge), and its text form reads back to the same range.
#include <cstdint>
#include <cstdlib>

#include "core/values/GRange.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (size > 1 << 14)
        return 0;
    GBuffer text;
    text.TakeByteArray(data, static_cast<int>(size), static_cast<int>(size));
    GRange range;
    int result = range.Set(text);
    if (result < 0 || result > 2 || !range.CheckConsistency())
        std::abort();
    // A range with contents checks the text before it starts; an empty one only after an error.
    // Both give one result, and a character outside the grammar changes neither.
    GRange full("r3,5-9");
    GRange fullBefore(full);
    if (full.Set(text) != result || (result == GRange::kOutsideGrammar && !(full == fullBefore)) ||
        (result != GRange::kOutsideGrammar && !(full == range)) ||
        (result == GRange::kOutsideGrammar && !(range == GRange())))
        std::abort();
    for (int i = 0; i < range.GetNumOfSequences(); ++i) {
        int start = 0, length = 0;
        range.GetSequence(i, start, length);
        if (length < 1)
            std::abort();
    }
    (void)range.GetCount();

    if (result == GRange::kParsed) {
        GRange merged;
        int from = 0;
        for (int i = 0; i <= static_cast<int>(size); ++i) {
            if (i < static_cast<int>(size) && data[i] != ',')
                continue;
            GBuffer item;
            item.Set(data + from, i - from);
            GRange one;
            if (one.Set(item) != GRange::kParsed || one.GetNumOfSequences() != 1)
                std::abort();
            merged.Add(one);
            from = i + 1;
        }
        if (!(merged == range))
            std::abort();
    }

    GBuffer written;
    range.ToString(written, 0, GBuffer(","), GBuffer("-"));
    GRange again;
    int reread = again.Set(written);
    if (!(again == range) || (range.GetNumOfSequences() > 0 && reread != 0))
        std::abort();

    if (!(GRange::GetIntersection(range, range) == range))
        std::abort();
    GRange copy(range);
    if (copy.Add(range) != 0 || !(copy == range))
        std::abort();

    GRange resolved(range);
    resolved.Resolve(static_cast<int>(size));
    GRange shifted(range);
    shifted.Shift(static_cast<int>(size) - 100);
    if (resolved.HasReverseItems() || !resolved.CheckConsistency() || !shifted.CheckConsistency())
        std::abort();
    return 0;
}
