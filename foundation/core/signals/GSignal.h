#pragma once
// A numbered broadcast channel carrying messages of type T to its receivers, in subscription
// order. Signals are made and owned by the registry (GSignalBase): GetSignal(id) returns the one
// signal of that number, making it on first use.
//
// What callers may rely on:
// - Send holds the signal's mutex while its receivers run: sends on one signal from several
//   threads take turns, and an UnSubscribe on another thread waits for a running Send, so that
//   once a receiver's last subscription has ended it is not called again. Inside Receive a
//   receiver may send, subscribe or unsubscribe (itself or another receiver of this signal) and
//   may delete itself: a receiver removed before its turn is not called, none is skipped or
//   called twice, and one subscribed during the walk is called in the same Send.
// - An exception from Receive ends the walk and leaves Send; the signal stays usable.
// - Delayed receivers get a copy of each message at the next GSignalBase::SendDelayedSignals.
// - The payload type is part of the signal: GetSignal of a number registered with another T
//   throws GSimpleException(GSignalBase::kPayloadMismatch).
#include <typeinfo>

#include "core/signals/GReceiverList.h"
#include "core/signals/GSignalBase.h"
#include "core/signals/GSignalMutex.h"

template <class T>
class GReceiver;
template <class T>
class GDelayedReceiver;
template <class T>
class GDelayedMessage;

template <class T>
class GSignal : public GSignalBase {
public:
    static GSignal* GetSignal(int id) {
        return static_cast<GSignal*>(GetOrMakeSignal(id, typeid(GSignal), &Make));
    }
    // The registered signal of that number carrying T, or null; never makes one.
    static GSignal* FindSignal(int id) {
        GSignalBase* signal = GSignalBase::GetSignal(id);
        if (signal == nullptr || typeid(*signal) != typeid(GSignal))
            return nullptr;
        return static_cast<GSignal*>(signal);
    }

    void Send(const T& message);
    virtual void SendDelayed(const T& message);

    // No duplicate test: a receiver subscribed twice receives each message twice.
    void Subscribe(GReceiver<T>* receiver);
    // Removes one entry; a receiver that is not subscribed changes nothing.
    void UnSubscribe(GReceiver<T>* receiver);
    void SubscribeDelayed(GDelayedReceiver<T>* receiver);
    void UnSubscribeDelayed(GDelayedReceiver<T>* receiver);

    int GetReceiverCount() const {
        GSignalMutex::Locker lock(mMutex);
        return mReceivers.GetCount();
    }
    int GetDelayedReceiverCount() const {
        GSignalMutex::Locker lock(mMutex);
        return mDelayedReceivers.GetCount();
    }

private:
    // Takes the signal's mutex before its own, to change both sides of a subscription at once.
    friend class GReceiver<T>;

    explicit GSignal(int id) : GSignalBase(id, typeid(T)) {}
    static GSignalBase* Make(int id) { return new GSignal(id); }

    template <class R>
    void Walk(GReceiverList<R>& receivers, const T& message);
    template <class R>
    void Add(GReceiverList<R>& receivers, R* receiver);
    template <class R>
    void Remove(GReceiverList<R>& receivers, R* receiver);

    GReceiverList<GReceiver<T>> mReceivers;
    GReceiverList<GDelayedReceiver<T>> mDelayedReceivers;
};

#include "core/signals/GDelayedMessage.h"
#include "core/signals/GDelayedReceiver.h"
#include "core/signals/GReceiver.h"

template <class T>
template <class R>
void GSignal<T>::Walk(GReceiverList<R>& receivers, const T& message) {
    const int id = GetID();
    receivers.Walk([this, id, &message](R* receiver) {
        if (IsRetired())
            return false;
        receiver->Receive(id, message);
        return true;
    });
}

template <class T>
void GSignal<T>::Send(const T& message) {
    GDelayedMessage<T>* delayed = nullptr;
    const GSignalMutex::Hold hold = BeginSend();
    try {
        Walk(mReceivers, message);
        if (mDelayedReceivers.HasReceivers() && !IsRetired())
            delayed = new GDelayedMessage<T>(*this, message);
        MarkConsolidatePending();
    } catch (...) {
        EndSend(hold);
        throw;
    }
    EndSend(hold);
    // Queued without the signal's mutex, which is let go as soon as the walk is over.
    if (delayed != nullptr)
        QueueDelayedSignal(delayed);
}

template <class T>
void GSignal<T>::SendDelayed(const T& message) {
    const GSignalMutex::Hold hold = BeginSend();
    try {
        Walk(mDelayedReceivers, message);
    } catch (...) {
        EndSend(hold);
        throw;
    }
    EndSend(hold);
}

template <class T>
template <class R>
void GSignal<T>::Add(GReceiverList<R>& receivers, R* receiver) {
    if (receiver == nullptr)
        return;
    GSignalMutex::Locker lock(mMutex);
    BookkeepingScope scope;
    receivers.Add(receiver);
}

template <class T>
template <class R>
void GSignal<T>::Remove(GReceiverList<R>& receivers, R* receiver) {
    GSignalMutex::Locker lock(mMutex);
    receivers.Remove(receiver);
}

template <class T>
void GSignal<T>::Subscribe(GReceiver<T>* receiver) {
    Add(mReceivers, receiver);
}

template <class T>
void GSignal<T>::UnSubscribe(GReceiver<T>* receiver) {
    Remove(mReceivers, receiver);
}

template <class T>
void GSignal<T>::SubscribeDelayed(GDelayedReceiver<T>* receiver) {
    Add(mDelayedReceivers, receiver);
}

template <class T>
void GSignal<T>::UnSubscribeDelayed(GDelayedReceiver<T>* receiver) {
    Remove(mDelayedReceivers, receiver);
}
