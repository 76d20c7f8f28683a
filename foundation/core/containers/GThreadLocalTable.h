#pragma once
// GThreadLocalTable<T>: one GTable<T> per thread, in a dictionary from the thread's full
// identifier to its table. A thread's table is made on first use; a table that RemoveItem leaves
// empty is kept as a spare for the next thread, so the dictionary holds only threads that have
// items.
//
// Callers may rely on:
// - Each thread reaches only its own table (its items are never seen by another thread) except
//   through RemoveItem, which names the thread.
// - AddItem, RemoveItem, VisitLastItem and the lookups run under one recursive mutex, so an item
//   may be removed from another thread's table safely.
// - The table that Instance() returns is used by its thread without the lock: such a caller must
//   not also remove from it through RemoveItem on another thread.
// - The destructor deletes every table (not what pointer items point to).
#include <memory>
#include <utility>

#include "core/base/GMutexBase.h"
#include "core/base/GMutexLocker.h"
#include "core/base/GThreadKey.h"
#include "core/containers/GDict.h"
#include "core/containers/GTable.h"

template <class T>
class GThreadLocalTable {
public:
    GThreadLocalTable() = default;
    ~GThreadLocalTable();
    GThreadLocalTable(const GThreadLocalTable&) = delete;
    GThreadLocalTable& operator=(const GThreadLocalTable&) = delete;

    // This thread's table, made when missing.
    GTable<T>& Instance();
    // This thread's table, or null.
    const GTable<T>* Instance() const;
    // Appends to this thread's table.
    void AddItem(const T& item);
    // Removes the last item equal to item from the table of thread; returns whether one was there.
    bool RemoveItem(const GThreadKey& thread, const T& item);
    // Calls visit(item) with the last item of this thread's table while no other thread can change
    // it; returns false, without calling, when the thread has no items.
    template <class F>
    bool VisitLastItem(F&& visit) const;

    // The number of threads that have a table; for tests.
    int CountThreadTables() const;

private:
    GTable<T>* Find(const GThreadKey& thread) const;
    GTable<T>* FindOrMake(const GThreadKey& thread);
    std::unique_ptr<GTable<T>> TakeSpare();
    void Retire(const GThreadKey& thread, GTable<T>* table) noexcept;

    mutable GMutex mMutex;
    GDict<GThreadKey, GTable<T>*> mTables;
    GTable<GTable<T>*> mSpareTables;
};

template <class T>
GThreadLocalTable<T>::~GThreadLocalTable() {
    for (int slot = 0; slot < mTables.GetAllocation(); ++slot) {
        if (mTables.IsSlotUsed(slot))
            delete mTables.GetValueAt(slot);
    }
    for (GTable<T>* table : mSpareTables)
        delete table;
}

template <class T>
GTable<T>& GThreadLocalTable<T>::Instance() {
    GMutexLocker lock(mMutex);
    return *FindOrMake(GThreadKey::Current());
}

template <class T>
const GTable<T>* GThreadLocalTable<T>::Instance() const {
    GMutexLocker lock(mMutex);
    return Find(GThreadKey::Current());
}

template <class T>
void GThreadLocalTable<T>::AddItem(const T& item) {
    GMutexLocker lock(mMutex);
    FindOrMake(GThreadKey::Current())->AddItem(item);
}

template <class T>
bool GThreadLocalTable<T>::RemoveItem(const GThreadKey& thread, const T& item) {
    GMutexLocker lock(mMutex);
    GTable<T>* table = Find(thread);
    if (table == nullptr)
        return false;
    for (int i = table->GetCount() - 1; i >= 0; --i) {
        if (!((*table)[i] == item))
            continue;
        table->RemoveItemAt(i);
        if (table->GetCount() == 0)
            Retire(thread, table);
        return true;
    }
    return false;
}

template <class T>
template <class F>
bool GThreadLocalTable<T>::VisitLastItem(F&& visit) const {
    GMutexLocker lock(mMutex);
    const GTable<T>* table = Find(GThreadKey::Current());
    if (table == nullptr || table->GetCount() == 0)
        return false;
    std::forward<F>(visit)((*table)[table->GetCount() - 1]);
    return true;
}

template <class T>
int GThreadLocalTable<T>::CountThreadTables() const {
    GMutexLocker lock(mMutex);
    return mTables.GetCount();
}

template <class T>
GTable<T>* GThreadLocalTable<T>::Find(const GThreadKey& thread) const {
    int slot = 0;
    if (!mTables.GetExistingIndex(thread, slot))
        return nullptr;
    return mTables.GetValueAt(slot);
}

template <class T>
GTable<T>* GThreadLocalTable<T>::FindOrMake(const GThreadKey& thread) {
    if (GTable<T>* table = Find(thread))
        return table;
    std::unique_ptr<GTable<T>> table = TakeSpare();
    mTables.Put(thread, table.get());
    return table.release();
}

template <class T>
std::unique_ptr<GTable<T>> GThreadLocalTable<T>::TakeSpare() {
    const int spares = mSpareTables.GetCount();
    if (spares == 0)
        return std::make_unique<GTable<T>>();
    std::unique_ptr<GTable<T>> table(mSpareTables[spares - 1]);
    mSpareTables.RemoveLastItem();
    return table;
}

template <class T>
void GThreadLocalTable<T>::Retire(const GThreadKey& thread, GTable<T>* table) noexcept {
    mTables.Remove(thread);
    try {
        mSpareTables.AddItem(table);
    } catch (...) {
        // No room to keep it as a spare: it simply goes.
        delete table;
    }
}
