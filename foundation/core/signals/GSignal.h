#pragma once
// A numbered broadcast channel carrying messages of type T to its receivers, in subscription
// order. Signals are made and owned by the registry (GSignalBase): GetSignal(id) returns the one
// signal of that number, making it on first use.
//
// What callers may rely on:
// - Send holds the signal's mutex while its receivers run. Inside Receive a receiver may send,
//   subscribe or unsubscribe (itself or another receiver of this signal) and may delete itself:
//   a receiver removed before its turn is not called, none is skipped or called twice, and one
//   subscribed during the walk is called in the same Send.
// - An exception from Receive ends the walk and leaves Send; the signal stays usable.
// - Delayed receivers get a copy of each message at the next GSignalBase::SendDelayedSignals.
// - The payload type is part of the signal: GetSignal of a number registered with another T
//   throws GSimpleException(GSignalBase::kPayloadMismatch).
#include <typeinfo>

#include "core/base/GMutexLocker.h"
#include "core/containers/GTable.h"
#include "core/containers/GTableIterator.h"
#include "core/signals/GSignalBase.h"

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
        GMutexLocker lock(mMutex);
        return mReceivers.GetCount();
    }
    int GetDelayedReceiverCount() const {
        GMutexLocker lock(mMutex);
        return mDelayedReceivers.GetCount();
    }

private:
    explicit GSignal(int id) : GSignalBase(id, typeid(T)) {}
    static GSignalBase* Make(int id) { return new GSignal(id); }

    template <class R>
    void Walk(GTable<R*>& receivers, const T& message);
    template <class R>
    void Add(GTable<R*>& receivers, R* receiver);
    template <class R>
    void Remove(GTable<R*>& receivers, R* receiver);

    GTable<GReceiver<T>*> mReceivers;
    GTable<GDelayedReceiver<T>*> mDelayedReceivers;
};

#include "core/signals/GDelayedMessage.h"
#include "core/signals/GDelayedReceiver.h"
#include "core/signals/GReceiver.h"

// The walk's iterator is attached to the table and detaches itself when it goes; g++ 12 cannot
// see that and warns about the table keeping its address.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif

template <class T>
template <class R>
void GSignal<T>::Walk(GTable<R*>& receivers, const T& message) {
    GTableIterator<R*> walk(receivers);
    const int id = GetID();
    while (walk.Next()) {
        if (IsRetired())
            return;
        walk.Current()->Receive(id, message);
    }
}

template <class T>
void GSignal<T>::Send(const T& message) {
    GDelayedMessage<T>* delayed = nullptr;
    {
        SendScope scope(*this);
        Walk(mReceivers, message);
        if (mDelayedReceivers.GetCount() > 0 && !IsRetired())
            delayed = new GDelayedMessage<T>(*this, message);
        MarkConsolidatePending();
    }
    // Queued without the signal's mutex: the static mutex comes before it.
    if (delayed != nullptr)
        QueueDelayedSignal(delayed);
}

#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic pop
#endif

template <class T>
void GSignal<T>::SendDelayed(const T& message) {
    SendScope scope(*this);
    Walk(mDelayedReceivers, message);
}

template <class T>
template <class R>
void GSignal<T>::Add(GTable<R*>& receivers, R* receiver) {
    if (receiver == nullptr)
        return;
    GMutexLocker lock(mMutex);
    BookkeepingScope scope;
    receivers.AddItem(receiver);
}

template <class T>
template <class R>
void GSignal<T>::Remove(GTable<R*>& receivers, R* receiver) {
    GMutexLocker lock(mMutex);
    // An entry that a walk stands on goes first: a receiver that unsubscribes itself inside
    // Receive ends the subscription that is being served.
    receivers.RemoveItem(receiver);
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
