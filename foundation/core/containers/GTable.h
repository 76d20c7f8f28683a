#pragma once
// A growable array of items in one block from the foundation allocator.
// - Growth doubles (2, 4, 8, ...); storage is given back only by the destructor.
// - Items are moved bitwise when GIsRelocatable<T> allows it, else by their move constructor;
//   no table ever leaves an item pointing at a stale copy of itself.
// - Walks with an attached GTableIterator survive insertions and removals (see GTableIterator.h)
//   and end at once when the table is destroyed.
// - Indexes are not checked: one outside 0..GetCount()-1 is outside the contract.
// - No locking: an owner that shares a table guards it with its own mutex.
#include <cstdint>
#include <functional>
#include <new>
#include <type_traits>
#include <utility>

#include "core/base/GException.h"
#include "core/base/GIsRelocatable.h"
#include "core/memory/GAllocator.h"

template <class T>
class GTableIterator;
class GBin2TextStream;
class GString;
class GText2BinStream;

template <class T>
class GTable {
public:
    GTable() noexcept = default;
    GTable(const GTable& other);
    // Takes the items and the walks attached to other; other is left empty.
    GTable(GTable&& other) noexcept;
    GTable& operator=(const GTable& other);
    ~GTable();

    int GetCount() const noexcept { return mCount; }
    int GetCapacity() const noexcept { return mCapacity; }
    T& operator[](int index) noexcept { return mItems[index]; }
    const T& operator[](int index) const noexcept { return mItems[index]; }
    T* begin() noexcept { return mItems; }
    T* end() noexcept { return mItems + mCount; }
    const T* begin() const noexcept { return mItems; }
    const T* end() const noexcept { return mItems + mCount; }

    T& InsertItemAt(int index, const T& item) { return Insert(index, item); }
    T& InsertItemAt(int index, T&& item) { return Insert(index, std::move(item)); }
    T& AddItem(const T& item) { return Append(item); }
    T& AddItem(T&& item) { return Append(std::move(item)); }
    void AddItems(const T* items, int n);
    // Appends item unless an equal item is held; returns whether it was appended.
    bool AddUniqueItem(const T& item);

    void RemoveItemAt(int index);
    // Removes the first equal item, or the one an attached walk stands on; returns whether one was found.
    bool RemoveItem(const T& item);
    // Returns how many items were removed.
    int RemoveItemAll(const T& item);
    void RemoveLastItem();
    // Index of the first equal item, or -1.
    int FindItem(const T& item) const;

    // Grows or shrinks the count to n; new items are default-made.
    void Resize(int n);
    // Makes room for n items; never shrinks.
    void ExpandTo(int n);
    // Tables of pointers: removes every item from the last to the first and deletes its object.
    void DeleteAllItems();

    // The text form of a table of GString, defined with the text streams (include
    // "core/streams/GContainerText.h" to use it); no other item type has one.
    bool WriteTo(GText2BinStream& out) const;
    bool ReadFrom(GBin2TextStream& in);
    void ToString(GString& out) const;
    bool FromString(const GString& text);

private:
    friend class GTableIterator<T>;

    template <class U>
    T& Append(U&& item);
    template <class U>
    T& Insert(int index, U&& item);
    template <class U>
    T& InsertInPlace(int index, U&& item);
    template <class U>
    T& InsertGrowing(int index, U&& item);
    template <class U>
    static T* GrownBlockWith(T* items, int count, int capacity, int grown, int index, U&& item);
    bool Holds(const T* p) const noexcept {
        return !std::less<const T*>()(p, mItems) && std::less<const T*>()(p, mItems + mCount);
    }
    static int GrownCapacity(int count);
    void Reallocate(int capacity);
    void DestroyAll() noexcept;
    void Attach(GTableIterator<T>* it) noexcept;
    void Detach(GTableIterator<T>* it) noexcept;
    void StopIterators() noexcept;
    // Static, so that the table's address stays private to the caller and its members can live
    // in registers across a loop of appends.
    static T* AllocateBlock(int capacity);
    static void FreeBlock(T* items, int capacity) noexcept;
    static void NotifyInserted(GTableIterator<T>* first, int index) noexcept;
    static void NotifyRemoved(GTableIterator<T>* first, int index) noexcept;
    // The index of an item that an attached walk stands on and that equals item, or -1.
    int FindThroughIterators(const T& item) const;

    T* mItems = nullptr;
    int32_t mCapacity = 0;
    int32_t mCount = 0;
    GTableIterator<T>* mIterators = nullptr;
};

#include "core/containers/GTableIterator.h"

template <class T>
GTable<T>::GTable(const GTable& other) {
    if (other.mCount == 0)
        return;
    Reallocate(other.mCount);
    try {
        for (; mCount < other.mCount; ++mCount)
            ::new (static_cast<void*>(mItems + mCount)) T(other.mItems[mCount]);
    } catch (...) {
        // No destructor runs for a table that was never made.
        DestroyAll();
        FreeBlock(mItems, mCapacity);
        throw;
    }
}

template <class T>
GTable<T>::GTable(GTable&& other) noexcept
    : mItems(other.mItems), mCapacity(other.mCapacity), mCount(other.mCount), mIterators(other.mIterators) {
    other.mItems = nullptr;
    other.mCapacity = 0;
    other.mCount = 0;
    other.mIterators = nullptr;
    for (GTableIterator<T>* it = mIterators; it != nullptr; it = it->mNext)
        it->mTable = this;
}

template <class T>
GTable<T>& GTable<T>::operator=(const GTable& other) {
    if (this == &other)
        return *this;
    GTable copy(other);
    // Walks attached here see every old item removed and every new one appended.
    while (mCount > 0)
        RemoveItemAt(mCount - 1);
    std::swap(mItems, copy.mItems);
    std::swap(mCapacity, copy.mCapacity);
    std::swap(mCount, copy.mCount);
    if (mIterators != nullptr) {
        for (int i = 0; i < mCount; ++i)
            NotifyInserted(mIterators, i);
    }
    return *this;
}

template <class T>
GTable<T>::~GTable() {
    DestroyAll();
    FreeBlock(mItems, mCapacity);
    if (mIterators != nullptr)
        StopIterators();
}

template <class T>
template <class U>
T& GTable<T>::Append(U&& item) {
    // The count is read once and written after the item, which may be an int32 like the count:
    // reading it back would make each append wait on the store of the one before.
    const int count = mCount;
    if (count == mCapacity) {
        const int grown = GrownCapacity(count);
        mItems = GrownBlockWith(mItems, count, mCapacity, grown, count, std::forward<U>(item));
        mCapacity = grown;
    } else {
        ::new (static_cast<void*>(mItems + count)) T(std::forward<U>(item));
    }
    mCount = count + 1;
    if (mIterators != nullptr)
        NotifyInserted(mIterators, count);
    return mItems[count];
}

template <class T>
template <class U>
T& GTable<T>::Insert(int index, U&& item) {
    if (mCount == mCapacity)
        return InsertGrowing(index, std::forward<U>(item));
    // Shifting the items would move an item of ours away under the reference.
    if (Holds(&item) && index < mCount) {
        T copy(std::forward<U>(item));
        return InsertInPlace(index, std::move(copy));
    }
    return InsertInPlace(index, std::forward<U>(item));
}

template <class T>
template <class U>
T& GTable<T>::InsertInPlace(int index, U&& item) {
    const int count = mCount;
    T* slot = mItems + index;
    if constexpr (!GIsRelocatable<T>::value && std::is_nothrow_move_assignable<T>::value) {
        // Shifted by assignment, as a vector does: an item moves once instead of being built anew
        // and destroyed. The new item is made first, so a throw leaves the table as it was.
        if (index < count) {
            T value(std::forward<U>(item));
            T* const end = mItems + count;
            ::new (static_cast<void*>(end)) T(std::move(end[-1]));
            for (T* at = end - 1; at != slot; --at)
                *at = std::move(at[-1]);
            *slot = std::move(value);
            mCount = count + 1;
            if (mIterators != nullptr)
                NotifyInserted(mIterators, index);
            return *slot;
        }
    }
    GRelocateItems(slot + 1, slot, count - index);
    try {
        ::new (static_cast<void*>(slot)) T(std::forward<U>(item));
    } catch (...) {
        GRelocateItems(slot, slot + 1, count - index);
        throw;
    }
    mCount = count + 1;
    if (mIterators != nullptr)
        NotifyInserted(mIterators, index);
    return *slot;
}

template <class T>
template <class U>
T& GTable<T>::InsertGrowing(int index, U&& item) {
    const int count = mCount;
    const int grown = GrownCapacity(count);
    mItems = GrownBlockWith(mItems, count, mCapacity, grown, index, std::forward<U>(item));
    mCapacity = grown;
    mCount = count + 1;
    if (mIterators != nullptr)
        NotifyInserted(mIterators, index);
    return mItems[index];
}

// Returns a new block of grown items holding the old items with the new one at index, and gives
// the old block back; on failure the old block is left as it was.
template <class T>
template <class U>
T* GTable<T>::GrownBlockWith(T* items, int count, int capacity, int grown, int index, U&& item) {
    T* block = AllocateBlock(grown);
    // Made before the old items move, so that an item of ours is still in place to be copied.
    try {
        ::new (static_cast<void*>(block + index)) T(std::forward<U>(item));
    } catch (...) {
        FreeBlock(block, grown);
        throw;
    }
    GRelocateItems(block, items, index);
    GRelocateItems(block + index + 1, items + index, count - index);
    FreeBlock(items, capacity);
    return block;
}

template <class T>
void GTable<T>::AddItems(const T* items, int n) {
    if (n <= 0)
        return;
    // Items of our own would move away when the table grows.
    if (std::less<const T*>()(items, mItems + mCount) && std::less<const T*>()(mItems, items + n)) {
        GTable copy;
        copy.AddItems(items, n);
        AddItems(copy.mItems, n);
        return;
    }
    if (mIterators != nullptr) {
        for (int i = 0; i < n; ++i)
            Append(items[i]);
        return;
    }
    if (n > INT32_MAX - mCount)
        throw GMemoryException();
    const int needed = mCount + n;
    if (needed > mCapacity) {
        const int doubled = mCapacity > INT32_MAX / 2 ? INT32_MAX : 2 * mCapacity;
        Reallocate(needed > doubled ? needed : doubled);
    }
    int done = 0;
    try {
        for (; done < n; ++done)
            ::new (static_cast<void*>(mItems + mCount + done)) T(items[done]);
    } catch (...) {
        while (done > 0)
            mItems[mCount + --done].~T();
        throw;
    }
    mCount = needed;
}

template <class T>
bool GTable<T>::AddUniqueItem(const T& item) {
    if (FindThroughIterators(item) >= 0 || FindItem(item) >= 0)
        return false;
    Append(item);
    return true;
}

template <class T>
void GTable<T>::RemoveItemAt(int index) {
    T* slot = mItems + index;
    if constexpr (std::is_trivially_destructible<T>::value) {
        GRelocateItems(slot, slot + 1, mCount - index - 1);
        --mCount;
        if (mIterators != nullptr)
            NotifyRemoved(mIterators, index);
    } else {
        // The table is consistent before the item's destructor runs, so that destructor may use it.
        alignas(T) unsigned char aside[sizeof(T)];
        T* item = reinterpret_cast<T*>(aside);
        GRelocateItems(item, slot, 1);
        GRelocateItems(slot, slot + 1, mCount - index - 1);
        --mCount;
        if (mIterators != nullptr)
            NotifyRemoved(mIterators, index);
        std::launder(item)->~T();
    }
}

template <class T>
bool GTable<T>::RemoveItem(const T& item) {
    int index = FindThroughIterators(item);
    if (index < 0)
        index = FindItem(item);
    if (index < 0)
        return false;
    RemoveItemAt(index);
    return true;
}

template <class T>
int GTable<T>::RemoveItemAll(const T& item) {
    // The item may be one of ours and go away with the first removal.
    if (Holds(&item)) {
        T copy(item);
        return RemoveItemAll(copy);
    }
    int removed = 0;
    while (RemoveItem(item))
        ++removed;
    return removed;
}

template <class T>
void GTable<T>::RemoveLastItem() {
    if (mCount > 0)
        RemoveItemAt(mCount - 1);
}

template <class T>
int GTable<T>::FindItem(const T& item) const {
    for (int i = 0; i < mCount; ++i) {
        if (mItems[i] == item)
            return i;
    }
    return -1;
}

template <class T>
void GTable<T>::Resize(int n) {
    ExpandTo(n);
    while (mCount > n)
        RemoveItemAt(mCount - 1);
    while (mCount < n) {
        ::new (static_cast<void*>(mItems + mCount)) T();
        ++mCount;
        if (mIterators != nullptr)
            NotifyInserted(mIterators, mCount - 1);
    }
}

template <class T>
void GTable<T>::ExpandTo(int n) {
    if (mCapacity < n)
        Reallocate(n);
}

template <class T>
void GTable<T>::DeleteAllItems() {
    static_assert(std::is_pointer<T>::value, "DeleteAllItems needs a table of pointers");
    // Removed before it is deleted: an object's destructor may take itself out of this table.
    while (mCount > 0) {
        T object = mItems[mCount - 1];
        RemoveItemAt(mCount - 1);
        delete object;
    }
}

template <class T>
int GTable<T>::GrownCapacity(int count) {
    if (count < 1)
        return 2;
    if (count == INT32_MAX)
        throw GMemoryException();
    return count > INT32_MAX / 2 ? INT32_MAX : 2 * count;
}

template <class T>
void GTable<T>::Reallocate(int capacity) {
    T* items = AllocateBlock(capacity);
    GRelocateItems(items, mItems, mCount);
    FreeBlock(mItems, mCapacity);
    mItems = items;
    mCapacity = capacity;
}

template <class T>
T* GTable<T>::AllocateBlock(int capacity) {
    return static_cast<T*>(GAllocator::GetInstance()->Alloc(sizeof(T) * static_cast<unsigned long>(capacity)));
}

template <class T>
void GTable<T>::FreeBlock(T* items, int capacity) noexcept {
    if (items != nullptr)
        GAllocator::GetInstance()->Free(items, sizeof(T) * static_cast<unsigned long>(capacity));
}

template <class T>
void GTable<T>::DestroyAll() noexcept {
    if constexpr (std::is_trivially_destructible<T>::value) {
        mCount = 0;
    } else {
        // One at a time from the end, so that the table holds only live items while each goes.
        while (mCount > 0) {
            --mCount;
            mItems[mCount].~T();
        }
    }
}

template <class T>
void GTable<T>::Attach(GTableIterator<T>* it) noexcept {
    it->mNext = mIterators;
    mIterators = it;
}

template <class T>
void GTable<T>::Detach(GTableIterator<T>* it) noexcept {
    for (GTableIterator<T>** link = &mIterators; *link != nullptr; link = &(*link)->mNext) {
        if (*link == it) {
            *link = it->mNext;
            it->mNext = nullptr;
            return;
        }
    }
}

template <class T>
void GTable<T>::StopIterators() noexcept {
    while (mIterators != nullptr) {
        GTableIterator<T>* it = mIterators;
        mIterators = it->mNext;
        it->Stop();
    }
}

template <class T>
void GTable<T>::NotifyInserted(GTableIterator<T>* first, int index) noexcept {
    for (GTableIterator<T>* it = first; it != nullptr; it = it->mNext)
        it->ItemInserted(index);
}

template <class T>
void GTable<T>::NotifyRemoved(GTableIterator<T>* first, int index) noexcept {
    for (GTableIterator<T>* it = first; it != nullptr; it = it->mNext)
        it->ItemRemoved(index);
}

template <class T>
int GTable<T>::FindThroughIterators(const T& item) const {
    for (const GTableIterator<T>* it = mIterators; it != nullptr; it = it->mNext) {
        if (it->HasCurrent() && mItems[it->mIndex] == item)
            return it->mIndex;
    }
    return -1;
}
