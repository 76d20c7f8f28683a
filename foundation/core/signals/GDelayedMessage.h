#pragma once
// A copy of a message sent on a GSignal<T> with delayed receivers, delivered to them by
// GSignalBase::SendDelayedSignals. It keeps its signal alive, so that it stays safe to send or
// delete after Finalize took the signal out of the registry.
#include "core/signals/GDelayedMessageBase.h"
#include "core/signals/GSignalBase.h"

template <class T>
class GSignal;

template <class T>
class GDelayedMessage : public GDelayedMessageBase {
public:
    GDelayedMessage(GSignal<T>& signal, const T& message) : mHolder(signal), mSignal(&signal), mMessage(message) {}

    void Send() override;

private:
    GSignalBase::Holder mHolder;
    GSignal<T>* mSignal;
    T mMessage;
};

#include "core/signals/GSignal.h"

template <class T>
void GDelayedMessage<T>::Send() {
    mSignal->SendDelayed(mMessage);
}
