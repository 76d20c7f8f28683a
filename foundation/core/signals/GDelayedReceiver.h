#pragma once
// A receiver whose messages wait in the registry's delayed queue: Subscribe(id) joins the
// delayed receivers of GSignal<T>::GetSignal(id), and Receive is called with a copy of each
// message at the next GSignalBase::SendDelayedSignals. Otherwise it behaves as GReceiver<T>.
#include "core/signals/GReceiver.h"

template <class T>
class GDelayedReceiver : public GReceiver<T> {
public:
    GDelayedReceiver() : GReceiver<T>(true) {}
    // Leaves while it still is a delayed receiver.
    ~GDelayedReceiver() override { this->UnSubscribeAll(); }
};
