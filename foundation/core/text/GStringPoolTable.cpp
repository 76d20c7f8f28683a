#include "core/text/GStringPoolTable.h"

namespace {

GStringPoolTable::Entry FinalEntry(GString const& text, GEncoding* encoding) {
    GStringPoolTable::Entry entry(text, encoding);
    // Copies handed out later must not convert the shared text (other threads may copy too).
    entry.first.EnsureUnicode();
    return entry;
}

}  // namespace

GStringPoolTable::GStringPoolTable() : mEntries(5) {}

void GStringPoolTable::SetString(int id, GString const& text, GEncoding* encoding) {
    mEntries.Put(id, FinalEntry(text, encoding));
}

void GStringPoolTable::SetDefaultString(int id, GString const& text, GEncoding* encoding) {
    int slot = 0;
    if (!mEntries.GetExistingIndex(id, slot))
        mEntries.Put(id, FinalEntry(text, encoding));
}

GStringPoolTable::Entry const* GStringPoolTable::FindStringForID(int id) const {
    int slot = 0;
    if (!mEntries.GetExistingIndex(id, slot))
        return nullptr;
    return &mEntries.GetValueAt(slot);
}

void GStringPoolTable::GetAllStrings(GDict<int32_t, GString>& out) const {
    out.RemoveAll();
    for (int slot = 0; slot < mEntries.GetAllocation(); ++slot) {
        if (mEntries.IsSlotUsed(slot))
            out.Put(mEntries.GetKeyAt(slot), mEntries.GetValueAt(slot).first);
    }
}
