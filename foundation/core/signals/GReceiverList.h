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

    // Calls call(receiver) for each receiver in turn until it returns false. An exception from
    // call ends the walk and leaves the list consistent.
    template <class Call>
    void Walk(Call call);

private:
    // One running walk, on the walker's stack.
    struct Frame {
        int32_t index;
        Frame* outer;
    };
    class WalkScope;

    void Sweep() noexcept;

    GTable<R*> mItems;
    // The innermost running walk.
    Frame* mWalks = nullptr;
    // Empty entries left by removals during walks.
    int32_t mMarked = 0;
};

// A walk's frame is on the walker's stack and popped when the walk ends; g++ 12 cannot see that
// and warns about the list keeping its address.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif

// Pushes a walk frame and, when the outermost walk ends, closes up the removed entries. The
// outer walk is kept here too, out of the frame whose address the list holds, so that it can stay
// in a register while receivers run.
template <class R>
class GReceiverList<R>::WalkScope {
public:
    WalkScope(GReceiverList& list, Frame& frame) noexcept : mList(list), mOuter(list.mWalks) {
        frame.outer = mOuter;
        list.mWalks = &frame;
    }
    ~WalkScope() {
        mList.mWalks = mOuter;
        if (mOuter == nullptr && mList.mMarked > 0)
            mList.Sweep();
    }
    WalkScope(const WalkScope&) = delete;
    WalkScope& operator=(const WalkScope&) = delete;

private:
    GReceiverList& mList;
    Frame* const mOuter;
};

template <class R>
template <class Call>
void GReceiverList<R>::Walk(Call call) {
    Frame frame{-1, nullptr};
    WalkScope scope(*this, frame);
    // The count is read again at each step: receivers added by a call are walked too.
    for (int i = 0; i < mItems.GetCount(); ++i) {
        R* receiver = mItems[i];
        if (receiver == nullptr)
            continue;
        frame.index = i;
        if (!call(receiver))
            return;
    }
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
    for (Frame* walk = mWalks; walk != nullptr && index < 0; walk = walk->outer) {
        if (walk->index >= 0 && mItems[walk->index] == receiver)
            index = walk->index;
    }
    if (index < 0)
        index = mItems.FindItem(receiver);
    if (index < 0)
        return false;
    if (mWalks == nullptr) {
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
