#pragma once
// Trims the allocator's free lists in idle time: a receiver of signal 100 (subscribed by its
// constructor) that calls GAllocator::DoIdleTime. The core layer installs one instance with
// SetInstance at start-up and removes it at shut-down.
#include "core/signals/GEmptyMessage.h"
#include "core/signals/GReceiver.h"

class GAllocatorIdler : public GReceiver<GEmptyMessage> {
public:
    GAllocatorIdler();
    ~GAllocatorIdler() override;

    void Receive(int id, const GEmptyMessage& message) override;

    // Takes ownership of idler and deletes the previous instance; null removes it.
    static void SetInstance(GAllocatorIdler* idler);
    static GAllocatorIdler* GetInstance();

private:
    static GAllocatorIdler* sIdler;
};
