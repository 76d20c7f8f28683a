#pragma once
// A message waiting in the signal registry's delayed queue (GSignalBase::QueueDelayedSignal owns
// it); Send delivers it to the delayed receivers of its signal.
#include "core/memory/GFastAllocatable.h"

class GDelayedMessageBase : public GFastAllocatable {
public:
    GDelayedMessageBase() = default;
    GDelayedMessageBase(const GDelayedMessageBase&) = delete;
    GDelayedMessageBase& operator=(const GDelayedMessageBase&) = delete;
    virtual ~GDelayedMessageBase() = default;

    virtual void Send() = 0;
};
