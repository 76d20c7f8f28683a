#pragma once
// A walk over a GTable that stays attached to the table and survives edits during the walk:
// - an item inserted ahead of the walk is visited, one inserted behind it is not;
// - removing the current item makes the next advance reach the item that followed it;
// - an item inserted into the place of the removed current item is not visited;
// - when the table is destroyed, the walk ends at its next advance.
// A forward walk starts before the first item, a reverse walk past the last one; each advance
// returns false once the walk has left the table.
#include <cstdint>

#include "core/containers/GTable.h"

template <class T>
class GTableIterator {
public:
    explicit GTableIterator(GTable<T>& table, bool reverse = false) noexcept
        : mTable(&table), mReverse(reverse), mIndex(reverse ? table.GetCount() : -1), mState(kNormal), mNext(nullptr) {
        table.Attach(this);
    }
    ~GTableIterator() {
        if (mState != kStopped)
            mTable->Detach(this);
    }
    GTableIterator(const GTableIterator&) = delete;
    GTableIterator& operator=(const GTableIterator&) = delete;

    bool Next() noexcept;
    // Whether the walk stands on an item: false before the start, after the end, after the
    // current item was removed and once the table is gone.
    bool HasCurrent() const noexcept { return mState == kNormal && mIndex >= 0 && mIndex < mTable->mCount; }
    // Only while HasCurrent() is true.
    T& Current() const noexcept { return mTable->mItems[mIndex]; }
    int GetIndex() const noexcept { return mIndex; }
    bool IsReverse() const noexcept { return mReverse; }
    // The table was destroyed under the walk.
    bool IsStopped() const noexcept { return mState == kStopped; }

private:
    friend class GTable<T>;
    enum : int32_t { kNormal = 0, kStopped = 1, kRemoved = 2 };

    void Stop() noexcept;
    void ItemInserted(int index) noexcept;
    void ItemRemoved(int index) noexcept;

    GTable<T>* mTable;
    bool mReverse;
    int32_t mIndex;
    int32_t mState;
    GTableIterator* mNext;
};

template <class T>
bool GTableIterator<T>::Next() noexcept {
    if (mState == kStopped)
        return false;
    const int count = mTable->mCount;
    const int next = mReverse ? mIndex - 1 : mIndex + 1;
    mIndex = next < 0 ? -1 : (next < count ? next : count);
    mState = kNormal;
    return next >= 0 && next < count;
}

template <class T>
void GTableIterator<T>::Stop() noexcept {
    mTable = nullptr;
    mIndex = -1;
    mState = kStopped;
    mNext = nullptr;
}

template <class T>
void GTableIterator<T>::ItemInserted(int index) noexcept {
    if (mState == kNormal) {
        if (mIndex >= index)
            ++mIndex;
        return;
    }
    // The current item was removed: an item put into its place is behind the walk.
    if (mReverse ? mIndex > index : mIndex + 1 >= index)
        ++mIndex;
}

template <class T>
void GTableIterator<T>::ItemRemoved(int index) noexcept {
    if (mIndex < index)
        return;
    if (mIndex > index) {
        --mIndex;
        return;
    }
    mState = kRemoved;
    mIndex = mReverse ? index : index - 1;
}
