#pragma once
// A subject with a list of observers kept in descending priority (equal priorities in the
// order they were attached); Notify tells each of them through Update.
// - Attach of an observer already attached with the same priority changes nothing; with
//   another priority it moves the observer.
// - During Notify observers may attach, detach or delete themselves or others, and the subject
//   may be deleted: a detached observer is not called after its removal, the walk ends when the
//   subject goes.
// - The destructor detaches every observer, then deletes the observers it owns (AdoptObserver)
//   from the last adopted to the first.
// Subjects and observers take no lock: they belong to one thread.
#include "core/base/GException.h"
#include "core/containers/GAutoTable.h"
#include "core/containers/GTable.h"
#include "core/containers/GTableIterator.h"

template <class TMessage>
class GObserverT;

template <class TMessage = int>
class GSubjectT {
public:
    // GSimpleException id for attaching a null observer: "Invalid value passed a parameter".
    static constexpr int kNullObserver = 40017;

    GSubjectT() = default;
    GSubjectT(const GSubjectT&) = delete;
    GSubjectT& operator=(const GSubjectT&) = delete;
    virtual ~GSubjectT();

    virtual void Attach(GObserverT<TMessage>* observer, int priority = 0);
    virtual void Detach(GObserverT<TMessage>* observer);

    void Notify();
    void Notify(TMessage message);

    void SetNotificationOff(bool off) noexcept { mNotificationOff = off; }
    bool IsNotificationOff() const noexcept { return mNotificationOff; }

    // The subject owns observer from now on and deletes it with itself; attaching is separate.
    void AdoptObserver(GObserverT<TMessage>* observer) { mOwnedObjects.AddItem(observer); }

    int GetObserverCount() const noexcept { return mObservers.GetCount(); }
    GObserverT<TMessage>* GetObserverAt(int index) const noexcept { return mObservers[index]; }
    int GetPriorityAt(int index) const noexcept { return mPriorities[index]; }

private:
    template <class Call>
    void Walk(Call call);
    int InsertionIndex(int priority) const;

    GTable<GObserverT<TMessage>*> mObservers;
    GTable<int> mPriorities;
    bool mNotificationOff = false;
    GAutoTable<GObserverT<TMessage>> mOwnedObjects;
};

#include "core/signals/GObserverT.h"

template <class TMessage>
GSubjectT<TMessage>::~GSubjectT() {
    while (mObservers.GetCount() > 0) {
        try {
            GSubjectT::Detach(mObservers[mObservers.GetCount() - 1]);
        } catch (...) {
            // Detach changes tables that never grow here; nothing is expected to throw.
        }
    }
    mOwnedObjects.DeleteAllItems();
}

template <class TMessage>
int GSubjectT<TMessage>::InsertionIndex(int priority) const {
    for (int i = 0; i < mPriorities.GetCount(); ++i) {
        if (mPriorities[i] < priority)
            return i;
    }
    return mPriorities.GetCount();
}

template <class TMessage>
void GSubjectT<TMessage>::Attach(GObserverT<TMessage>* observer, int priority) {
    if (observer == nullptr)
        throw GSimpleException(kNullObserver);
    const int index = mObservers.FindItem(observer);
    // Room first, so that running out of memory leaves both sides as they were.
    observer->mSubjects.ExpandTo(observer->mSubjects.GetCount() + 1);
    if (index < 0 || mPriorities[index] != priority) {
        mObservers.ExpandTo(mObservers.GetCount() + 1);
        mPriorities.ExpandTo(mPriorities.GetCount() + 1);
        if (index >= 0) {
            mObservers.RemoveItemAt(index);
            mPriorities.RemoveItemAt(index);
        }
        const int at = InsertionIndex(priority);
        mObservers.InsertItemAt(at, observer);
        mPriorities.InsertItemAt(at, priority);
    }
    observer->mSubjects.AddUniqueItem(this);
}

template <class TMessage>
void GSubjectT<TMessage>::Detach(GObserverT<TMessage>* observer) {
    const int index = mObservers.FindItem(observer);
    if (index >= 0) {
        mObservers.RemoveItemAt(index);
        mPriorities.RemoveItemAt(index);
    }
    if (observer != nullptr)
        observer->RemoveSubject(this);
}

// The walk's iterator is attached to the table and detaches itself when it goes; g++ 12 cannot
// see that and warns about the table keeping its address.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif

template <class TMessage>
template <class Call>
void GSubjectT<TMessage>::Walk(Call call) {
    if (mNotificationOff)
        return;
    // The walk ends by itself when an observer deletes this subject: the table stops it.
    GTableIterator<GObserverT<TMessage>*> walk(mObservers);
    while (walk.Next())
        call(walk.Current());
}

template <class TMessage>
void GSubjectT<TMessage>::Notify() {
    Walk([this](GObserverT<TMessage>* observer) { observer->Update(this); });
}

template <class TMessage>
void GSubjectT<TMessage>::Notify(TMessage message) {
    Walk([this, &message](GObserverT<TMessage>* observer) { observer->Update(this, message); });
}

#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic pop
#endif
