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
//   destroyed while subscribed, also inside its own Receive. A receiver that may be sent to from
//   another thread must call UnSubscribeAll in its own destructor: by the time this destructor
//   runs, its Receive is gone.
// - The receiver's mutex guards its number table and comes before the registry's and the
//   signals' mutexes.
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
    // Recursive; a derived class may hold it to test and change its subscriptions in one step.
    GMutex& GetReceiverMutex() const noexcept { return mMutex; }

private:
    friend class GDelayedReceiver<T>;

    explicit GReceiver(bool delayed) : mDelayed(delayed) {}
    void Join(GSignal<T>& signal);
    void Leave(GSignal<T>& signal);

    mutable GMutex mMutex;
    GTable<int> mIDs;
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
    GMutexLocker lock(mMutex);
    GSignalBase::BookkeepingScope scope;
    GSignal<T>* signal = GSignal<T>::GetSignal(id);
    mIDs.AddItem(id);
    try {
        Join(*signal);
    } catch (...) {
        mIDs.RemoveLastItem();
        throw;
    }
}

template <class T>
void GReceiver<T>::UnSubscribe(int id) {
    GMutexLocker lock(mMutex);
    const int index = mIDs.FindItem(id);
    if (index >= 0)
        mIDs.RemoveItemAt(index);
    if (GSignal<T>* signal = GSignal<T>::FindSignal(id))
        Leave(*signal);
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
    try {
        GMutexLocker lock(mMutex);
        for (int i = 0; i < mIDs.GetCount(); ++i) {
            try {
                if (GSignal<T>* signal = GSignal<T>::FindSignal(mIDs[i]))
                    Leave(*signal);
            } catch (...) {
                // Go on with the other numbers: a subscription left behind is worse.
            }
        }
        mIDs.Resize(0);
    } catch (...) {
        // Only the receiver's own mutex can fail here.
    }
}
