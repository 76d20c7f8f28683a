#pragma once
// A receiver of the messages of type T sent on the numbered signals it subscribed to.
//
// What callers may rely on:
// - Subscribe(id) joins GSignal<T>::GetSignal(id) and lists the number; a number may be listed
//   more than once and then receives each message as often. When it throws (payload mismatch,
//   out of memory) the receiver is as it was.
// - UnSubscribe(id) drops one listing and one subscription; it never makes a signal, so it is
//   safe after GSignalBase::Finalize.
// - The destructor ends every subscription and lets no exception out, so a receiver may be
//   destroyed while subscribed, also inside its own Receive. It waits for a Send on another
//   thread that is calling it, also one whose Receive unsubscribed it there. A receiver that may
//   be sent to from another thread must call UnSubscribeAll in its own destructor: by the time
//   this destructor runs, its Receive is gone.
// - Subscribe, UnSubscribe and the destructor may run on several threads at once, also inside
//   Receive on a thread that sends while the owner subscribes again: each takes the signal's
//   mutex before the receiver's, the order Send sets by calling Receive with the signal's mutex
//   held, and changes the number table and the signal's table together under both.
// - The receiver's mutex guards its number table; it comes after the signals' mutexes and before
//   the registry's, the only one taken while it is held.
#include <utility>

#include "core/base/GMutexBase.h"
#include "core/base/GMutexLocker.h"
#include "core/containers/GTable.h"
#include "core/signals/GSignalBase.h"

template <class T>
class GSignal;
template <class T>
class GDelayedReceiver;

template <class T>
class GReceiver {
public:
    GReceiver() = default;
    GReceiver(const GReceiver&) = delete;
    GReceiver& operator=(const GReceiver&) = delete;
    virtual ~GReceiver() { UnSubscribeAll(); }

    virtual void Receive(int id, const T& message) = 0;
    virtual void Subscribe(int id);
    virtual void UnSubscribe(int id);

    // How many times the number is listed.
    int CountSubscriptions(int id) const;
    bool IsSubscribed(int id) const { return CountSubscriptions(id) > 0; }

protected:
    // Ends every subscription, in the order they were made; lets nothing escape.
    void UnSubscribeAll() noexcept;

private:
    friend class GDelayedReceiver<T>;

    explicit GReceiver(bool delayed) : mDelayed(delayed) {}
    void Join(GSignal<T>& signal);
    void Leave(GSignal<T>& signal);
    void SubscribeTo(int id);
    void UnSubscribeFrom(int id);
    // Under the receiver's mutex: drops the first listing of the number; false when unlisted.
    bool DropID(int id) noexcept;
    // Under the receiver's mutex: remembers a signal left inside one of its Sends, for the
    // destructor to wait on.
    void NoteLeft(int id) noexcept;

    mutable GMutex mMutex;
    GTable<int> mIDs;
    // The numbers of the signals left inside their Sends since the last UnSubscribeAll.
    GTable<int> mLeft;
    const bool mDelayed = false;
};

#include "core/signals/GDelayedReceiver.h"
#include "core/signals/GSignal.h"

template <class T>
void GReceiver<T>::Join(GSignal<T>& signal) {
    if (mDelayed)
        signal.SubscribeDelayed(static_cast<GDelayedReceiver<T>*>(this));
    else
        signal.Subscribe(this);
}

template <class T>
void GReceiver<T>::Leave(GSignal<T>& signal) {
    if (mDelayed)
        signal.UnSubscribeDelayed(static_cast<GDelayedReceiver<T>*>(this));
    else
        signal.UnSubscribe(this);
}

template <class T>
void GReceiver<T>::Subscribe(int id) {
    SubscribeTo(id);
}

template <class T>
void GReceiver<T>::UnSubscribe(int id) {
    UnSubscribeFrom(id);
}

template <class T>
void GReceiver<T>::SubscribeTo(int id) {
    GSignalBase::BookkeepingScope scope;
    GSignal<T>* signal = GSignal<T>::GetSignal(id);
    GSignalMutex::Locker signalLock(signal->mMutex);
    GMutexLocker lock(mMutex);
    mIDs.AddItem(id);
    try {
        Join(*signal);
    } catch (...) {
        mIDs.RemoveLastItem();
        throw;
    }
}

template <class T>
void GReceiver<T>::UnSubscribeFrom(int id) {
    // A signal made or replaced between the look-up and the locks: look again, so that a
    // Subscribe running on another thread meets this one under the same signal's mutex.
    for (;;) {
        GSignal<T>* signal = GSignal<T>::FindSignal(id);
        if (signal == nullptr) {
            GMutexLocker lock(mMutex);
            if (GSignal<T>::FindSignal(id) != nullptr)
                continue;
            DropID(id);
            return;
        }
        // Held already: called from inside a Send of this signal, maybe from this receiver's
        // own Receive, which goes on running after this returns.
        const bool inSend = signal->mMutex.IsHeldByMe();
        GSignalMutex::Locker signalLock(signal->mMutex);
        GMutexLocker lock(mMutex);
        if (GSignal<T>::FindSignal(id) != signal)
            continue;
        const bool dropped = DropID(id);
        Leave(*signal);
        if (inSend && dropped)
            NoteLeft(id);
        return;
    }
}

template <class T>
void GReceiver<T>::NoteLeft(int id) noexcept {
    try {
        mLeft.AddUniqueItem(id);
    } catch (...) {
        // Out of memory: the destructor then cannot wait for that signal's Send.
    }
}

template <class T>
bool GReceiver<T>::DropID(int id) noexcept {
    const int index = mIDs.FindItem(id);
    if (index < 0)
        return false;
    mIDs.RemoveItemAt(index);
    return true;
}

template <class T>
int GReceiver<T>::CountSubscriptions(int id) const {
    GMutexLocker lock(mMutex);
    int count = 0;
    for (int listed : mIDs)
        count += listed == id ? 1 : 0;
    return count;
}

template <class T>
void GReceiver<T>::UnSubscribeAll() noexcept {
    for (;;) {
        // One number at a time, without the receiver's mutex in between: each is left under its
        // signal's mutex, taken first.
        for (;;) {
            int id;
            try {
                GMutexLocker lock(mMutex);
                if (mIDs.GetCount() == 0)
                    break;
                id = mIDs[0];
            } catch (...) {
                // Only the receiver's own mutex can fail here.
                return;
            }
            try {
                UnSubscribeFrom(id);
            } catch (...) {
                // Go on with the other numbers: a subscription left behind is worse.
                try {
                    GMutexLocker lock(mMutex);
                    DropID(id);
                } catch (...) {
                    return;
                }
            }
        }
        // A Send on another thread may still be inside Receive after this receiver left its
        // signal there: wait for each signal it has left that way. While this waits, such a
        // Receive may subscribe it again, or a later Send may call it and it leave there once
        // more; then round again. Done only when nothing is listed and nothing was left since
        // the last wait, so that no Receive on another thread outlives this.
        try {
            const GTable<int> left = [this] {
                GMutexLocker lock(mMutex);
                return GTable<int>(std::move(mLeft));
            }();
            for (int id : left) {
                if (GSignal<T>* signal = GSignal<T>::FindSignal(id))
                    GSignalMutex::Locker wait(signal->mMutex);
            }
            GMutexLocker lock(mMutex);
            if (mIDs.GetCount() == 0 && mLeft.GetCount() == 0)
                return;
        } catch (...) {
            return;
        }
    }
}
