#pragma once
// The receivers of one signal, in subscription order, walked by Send. It takes no lock: the
// signal's mutex guards it, and all walks of one list run on the thread that holds that mutex.
//
// Walks go by index over a table that only grows while one runs: a receiver removed meanwhile
// leaves an empty entry that walks skip, and the entries are closed up when the outermost walk
// ends. So a receiver removed before its turn is not called, none is skipped or called twice, and
// one added during a walk is called by it (and by every walk still running).
// A removal takes the entry a running walk stands on (the innermost walk first) when it holds
// that receiver, so that a receiver unsubscribing inside its Receive ends the subscription being
// served; otherwise the receiver's first entry.
#include <cstdint>

#include "core/containers/GTable.h"

template <class R>
class GReceiverList {
public:
    GReceiverList() noexcept = default;
    GReceiverList(const GReceiverList&) = delete;
    GReceiverList& operator=(const GReceiverList&) = delete;

    void Add(R* receiver) { mItems.AddItem(receiver); }
    // Removes one entry; returns false when the receiver has none.
    bool Remove(R* receiver) noexcept;
    int GetCount() const noexcept { return mItems.GetCount() - mMarked; }
    // GetCount() > 0 in one read when the list has no entries at all, the common case.
    bool HasReceivers() const noexcept { return __builtin_expect(mItems.GetCount() != 0, 0) && GetCount() > 0; }

    // Calls call(receiver) for each receiver in turn until it returns false. An exception from
    // call ends the walk and leaves the list consistent.
    template <class Call>
    void Walk(Call call);

private:
    // A running walk with a walk nested inside it, on the walker's stack: the entry it stands on
    // while the inner walk runs.
    struct Frame {
        int32_t index;
        Frame* outer;
    };
    class WalkScope;

    void Sweep() noexcept;

    GTable<R*> mItems;
    // The entry the innermost running walk stands on, -1 while no walk runs. A walk only nests
    // inside a receiver's call, so an outer walk stands on its entry for the whole inner walk.
    int32_t mIndex = -1;
    // Empty entries left by removals during walks.
    int32_t mMarked = 0;
    // The walks outside the innermost one, innermost first.
    Frame* mOuterWalks = nullptr;
};

// A walk's frame is on the walker's stack and popped when the walk ends; g++ 12 cannot see that
// and warns about the list keeping its address.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif

// Saves the walk that a nested walk interrupts and puts it back when the nested walk ends; when
// the outermost walk ends, closes up the removed entries. An outermost walk, the common case,
// stores nothing but the index.
template <class R>
class GReceiverList<R>::WalkScope {
public:
    WalkScope(GReceiverList& list, Frame& frame) noexcept : mList(list), mOuterIndex(list.mIndex) {
        if (__builtin_expect(mOuterIndex >= 0, 0)) {
            frame.index = mOuterIndex;
            frame.outer = list.mOuterWalks;
            list.mOuterWalks = &frame;
        }
    }
    ~WalkScope() {
        if (__builtin_expect(mOuterIndex >= 0, 0)) {
            mList.mIndex = mOuterIndex;
            mList.mOuterWalks = mList.mOuterWalks->outer;
            return;
        }
        // A constant, not the index read at the start: the next Send's read of it then waits
        // for no store.
        mList.mIndex = -1;
        if (__builtin_expect(mList.mMarked > 0, 0))
            mList.Sweep();
    }
    WalkScope(const WalkScope&) = delete;
    WalkScope& operator=(const WalkScope&) = delete;

private:
    GReceiverList& mList;
    const int32_t mOuterIndex;
};

template <class R>
template <class Call>
void GReceiverList<R>::Walk(Call call) {
    Frame frame;
    WalkScope scope(*this, frame);
    if (mItems.GetCount() == 0)
        return;
    // The count is read again at each step: receivers added by a call are walked too.
    int i = 0;
    do {
        if (R* receiver = mItems[i]) {
            mIndex = i;
            if (__builtin_expect(!call(receiver), 0))
                return;
        }
    } while (++i < mItems.GetCount());
}

#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic pop
#endif

template <class R>
bool GReceiverList<R>::Remove(R* receiver) noexcept {
    // A null entry is a removed one, never a receiver.
    if (receiver == nullptr)
        return false;
    int index = -1;
    if (mIndex >= 0 && mItems[mIndex] == receiver)
        index = mIndex;
    for (Frame* walk = mOuterWalks; walk != nullptr && index < 0; walk = walk->outer) {
        if (mItems[walk->index] == receiver)
            index = walk->index;
    }
    if (index < 0)
        index = mItems.FindItem(receiver);
    if (index < 0)
        return false;
    if (mIndex < 0) {
        mItems.RemoveItemAt(index);
    } else {
        mItems[index] = nullptr;
        ++mMarked;
    }
    return true;
}

template <class R>
void GReceiverList<R>::Sweep() noexcept {
    int kept = 0;
    for (int i = 0; i < mItems.GetCount(); ++i) {
        if (mItems[i] != nullptr)
            mItems[kept++] = mItems[i];
    }
    // Shrinking a table of pointers neither allocates nor throws.
    while (mItems.GetCount() > kept)
        mItems.RemoveLastItem();
    mMarked = 0;
}
