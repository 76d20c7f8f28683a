// The preference text reader on outside bytes: no crash, and what it reads is a fixed point of
// writing and reading again: once written in UTF-16 the groups read back whole and unchanged.
//
// Input: byte 0 picks the reader's encoding (detection, UTF-16, UTF-8, Mac Roman); the rest is
// the file.
#include <cstdint>

#include "core/streams/GMemoryInStream.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "services/preferences/GPrefFileIO.h"
#include "services/preferences/GPrefModule.h"
#include "support/FuzzInput.h"

namespace {

using Groups = GPrefModule::Groups;

bool SameGroups(Groups const& a, Groups const& b) {
    if (a.GetCount() != b.GetCount())
        return false;
    for (int slot = 0; slot < a.GetAllocation(); ++slot) {
        if (!a.IsSlotUsed(slot))
            continue;
        int other = 0;
        if (!b.GetExistingIndex(a.GetKeyAt(slot), other))
            return false;
        GPrefModule::Group const& x = a.GetValueAt(slot);
        GPrefModule::Group const& y = b.GetValueAt(other);
        if (x.GetCount() != y.GetCount())
            return false;
        for (int i = 0; i < x.GetAllocation(); ++i) {
            int j = 0;
            if (x.IsSlotUsed(i) && (!y.GetExistingIndex(x.GetKeyAt(i), j) || !(x.GetValueAt(i) == y.GetValueAt(j))))
                return false;
        }
    }
    return true;
}

// Groups without entries are not written: they drop out of the comparison.
void DropEmptyGroups(Groups& groups) {
    GTable<GBuffer> empty;
    for (int slot = 0; slot < groups.GetAllocation(); ++slot)
        if (groups.IsSlotUsed(slot) && groups.GetValueAt(slot).GetCount() == 0)
            empty.AddItem(groups.GetKeyAt(slot));
    for (GBuffer const& name : empty)
        groups.Remove(name);
}

GBuffer Written(Groups const& groups) {
    GBuffer bytes;
    GMemoryOutStream out(bytes);
    GPrefModule::WriteGroups(groups, out, GEncodingFallback::Get<GUnicodeEncoding>());
    return bytes;
}

bool ReadBack(GBuffer const& bytes, Groups& groups) {
    GMemoryInStream in(bytes);
    return GPrefFileIO::Read(in, GEncodingFallback::Get<GUnicodeEncoding>(), groups);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    if (!TakeInput(size, 1, 1 << 14))
        return 0;
    GEncoding const* const encodings[] = {nullptr, GEncodingFallback::Get<GUnicodeEncoding>(),
                                          GEncodingFallback::Get<GUTF8Encoding>(),
                                          GEncodingFallback::Get<GMacRomanEncoding>()};
    GBuffer const bytes(data + 1, static_cast<int>(size - 1));
    Groups first(5);
    {
        GMemoryInStream in(bytes);
        GPrefFileIO::Read(in, encodings[data[0] % 4], first);
    }
    DropEmptyGroups(first);
    // Line ends inside values settle after one write: read, write, read gives the fixed point.
    Groups second(5);
    Check(ReadBack(Written(first), second));
    // Names that differ only in their kind of line end become one.
    Check(second.GetCount() <= first.GetCount());
    Groups third(5);
    Check(ReadBack(Written(second), third));
    Check(SameGroups(second, third));
    return 0;
}
