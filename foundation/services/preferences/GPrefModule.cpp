#include "services/preferences/GPrefModule.h"

#include <utility>

#include "core/streams/GContainerText.h"
#include "core/streams/GOutStream.h"
#include "core/streams/GText2BinStream.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUnicodeEncoding.h"

namespace {

constexpr int kInitialKeys = 5;

GEncoding const* ASCII() { return GEncodingFallback::Get<GASCIIEncoding>(); }

// A little more than the bytes the text of groups takes (escapes aside), so that a stream
// gathering it in memory takes one block instead of copying it again and again as it grows.
long long EstimatedBytes(GPrefModule::Groups const& groups, GEncoding const* encoding) {
    const int unitBytes = dynamic_cast<GUnicodeEncoding const*>(encoding) != nullptr ? 2 : 1;
    GEncoding const* unicode = GUnicodeEncoding::GetInstance();
    constexpr int cEntryUnits = 6;   // two pairs of quotes, the blank, the line end
    constexpr int cGroupUnits = 25;  // the quotes and the lines around the entries
    long long units = 32;
    for (int slot = 0; slot < groups.GetAllocation(); ++slot) {
        if (!groups.IsSlotUsed(slot))
            continue;
        GPrefModule::Group const& entries = groups.GetValueAt(slot);
        units += groups.GetKeyAt(slot).GetLength() + cGroupUnits;
        for (int i = 0; i < entries.GetAllocation(); ++i) {
            if (!entries.IsSlotUsed(i))
                continue;
            GString const& value = entries.GetValueAt(i);
            const int valueBytes = value.GetEncodedBuffer().GetLength();
            units += entries.GetKeyAt(i).GetLength() + cEntryUnits +
                     (value.GetEncoding().Get() == unicode ? valueBytes / 2 : valueBytes);
        }
    }
    return units * unitBytes;
}

}  // namespace

GPrefModule::GPrefModule(GEncoding const* encoding) : mGroups(kInitialKeys), mEncoding(encoding) {}

GPrefModule::~GPrefModule() { delete mSnapshot; }

GString GPrefModule::Get(GBuffer const& group, GBuffer const& key) const {
    int slot = 0;
    if (!mGroups.GetExistingIndex(group, slot))
        return GString();
    Group const& entries = mGroups.GetValueAt(slot);
    int keySlot = 0;
    if (!entries.GetExistingIndex(key, keySlot))
        return GString();
    return entries.GetValueAt(keySlot);
}

bool GPrefModule::Has(GBuffer const& group, GBuffer const& key) const {
    int slot = 0;
    if (!mGroups.GetExistingIndex(group, slot))
        return false;
    int keySlot = 0;
    return mGroups.GetValueAt(slot).GetExistingIndex(key, keySlot);
}

void GPrefModule::Record(Change::Kind kind, GBuffer const& group, GBuffer const& key, GString const& value) {
    Change change{kind, group, key, value};
    GPrefChangeJournal::Apply(change, mGroups);
    mDirty = true;
    mJournal.Add(std::move(change));
}

void GPrefModule::Set(GBuffer const& group, GBuffer const& key, GString const& value) {
    Record(Change::kSet, group, key, value);
}

void GPrefModule::SetIgnoreTemp(GBuffer const& group, GBuffer const& key, GString const& value) {
    Record(Change::kSet, group, key, value);
    if (mSnapshot == nullptr)
        return;
    // The value must outlive a roll-back: it goes into what a roll-back restores as well.
    Change change{Change::kSet, group, key, value};
    GPrefChangeJournal::Apply(change, *mSnapshot);
    mSavedJournal.Add(std::move(change));
    mSavedDirty = true;
}

void GPrefModule::Remove(GBuffer const& group, GBuffer const& key) { Record(Change::kRemove, group, key, GString()); }

void GPrefModule::RemoveGroup(GBuffer const& group) { Record(Change::kRemoveGroup, group, GBuffer(), GString()); }

void GPrefModule::FlushPrefs() { WriteDict(); }

void GPrefModule::Refresh() { ReadDict(); }

void GPrefModule::StartUsingTempModule() {
    if (mTransactionCount++ != 0)
        return;
    delete mSnapshot;
    mSnapshot = nullptr;
    mSnapshot = new Groups(mGroups);
    mSavedDirty = mDirty;
    mSavedJournal = mJournal;
    mKeepChanges = false;
}

void GPrefModule::EndUsingTempModule(bool keep) {
    if (mTransactionCount == 0)
        return;
    mKeepChanges = mKeepChanges || keep;
    if (--mTransactionCount != 0)
        return;
    if (!mKeepChanges && mSnapshot != nullptr) {
        mGroups = *mSnapshot;
        mDirty = mSavedDirty;
        mJournal = std::move(mSavedJournal);
    }
    mSavedJournal.Clear();
    delete mSnapshot;
    mSnapshot = nullptr;
}

void GPrefModule::SetEncoding(GEncoding const* encoding) { mEncoding = encoding; }

void GPrefModule::GetGroupNames(GTable<GBuffer>& names) const {
    for (int slot = 0; slot < mGroups.GetAllocation(); ++slot)
        if (mGroups.IsSlotUsed(slot))
            names.AddItem(mGroups.GetKeyAt(slot));
}

void GPrefModule::GetGroupPreferences(GBuffer const& group, GTable<GBuffer>& keys) const {
    int slot = 0;
    if (!mGroups.GetExistingIndex(group, slot))
        return;
    Group const& entries = mGroups.GetValueAt(slot);
    for (int i = 0; i < entries.GetAllocation(); ++i)
        if (entries.IsSlotUsed(i))
            keys.AddItem(entries.GetKeyAt(i));
}

void GPrefModule::GetGroupPreferences(GBuffer const& group, Group& entries) const {
    entries.RemoveAll();
    int slot = 0;
    if (mGroups.GetExistingIndex(group, slot))
        entries = mGroups.GetValueAt(slot);
}

void GPrefModule::UpdateWith(GPrefModule const* other) {
    if (other == nullptr || other == this)
        return;
    Groups const& groups = other->mGroups;
    for (int slot = 0; slot < groups.GetAllocation(); ++slot) {
        if (!groups.IsSlotUsed(slot))
            continue;
        Group const& entries = groups.GetValueAt(slot);
        for (int i = 0; i < entries.GetAllocation(); ++i)
            if (entries.IsSlotUsed(i))
                Set(groups.GetKeyAt(slot), entries.GetKeyAt(i), entries.GetValueAt(i));
    }
}

void GPrefModule::ClearForRead() {
    mDirty = false;
    mGroups.RemoveAll();
    mJournal.Clear();
}

void GPrefModule::ApplyOwnChanges(Groups& groups) const {
    mJournal.ApplyTo(groups);
}

bool GPrefModule::IsWritableName(GBuffer const& name) {
    // Held as ASCII bytes the text converts as it stands; only a conversion shows other bytes.
    GBuffer units;
    return GString(name, ASCII()).GetBuffer(units, GEncodingFallback::Get<GUnicodeEncoding>()) == GEncoding::kConvertOK;
}

bool GPrefModule::GetPrefsDataToStream(GOutStream& out, GEncoding const* encoding) const {
    return WriteGroups(mGroups, out, encoding);
}

bool GPrefModule::WriteGroups(Groups const& groups, GOutStream& out, GEncoding const* encoding) {
    out.Reserve(EstimatedBytes(groups, encoding != nullptr ? encoding : GEncodingFallback::GetPlatform()));
    GText2BinStream writer(out, encoding);
    const int lossyBefore = writer.GetLossyTextCount();
    bool ok = writer.Write("#BEGINPREFS") && writer.WriteEOL();
    for (int slot = 0; slot < groups.GetAllocation(); ++slot) {
        if (!groups.IsSlotUsed(slot) || groups.GetValueAt(slot).GetCount() == 0)
            continue;
        GBuffer const& name = groups.GetKeyAt(slot);
        GString nameText(name, ASCII());
        // A name that is not ASCII would come back as another group.
        if (!IsWritableName(name))
            ok = false;
        ok = writer.WriteEOL() && ok;
        ok = writer.WriteQuotedString(nameText) && ok;
        ok = writer.WriteEOL() && ok;
        ok = groups.GetValueAt(slot).WriteTo(writer) && ok;
    }
    ok = writer.WriteEOL() && ok;
    ok = writer.Write("#ENDPREFS") && ok;
    ok = writer.WriteEOL() && ok;
    return ok && writer.GetLossyTextCount() == lossyBefore;
}
