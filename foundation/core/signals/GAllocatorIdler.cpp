#include "core/signals/GAllocatorIdler.h"

#include <utility>

#include "core/base/GMutexLocker.h"
#include "core/memory/GAllocator.h"
#include "core/signals/GBasicSignals.h"

namespace {

GMutex& InstanceMutex() {
    static GMutex* const mutex = new GMutex;
    return *mutex;
}

} // namespace

GAllocatorIdler* GAllocatorIdler::sIdler = nullptr;

GAllocatorIdler::GAllocatorIdler() { Subscribe(GBasicSignals::kIdleTime); }

// Unsubscribed here, before the object stops being an idler, in case signal 100 is sent on
// another thread meanwhile.
GAllocatorIdler::~GAllocatorIdler() { UnSubscribeAll(); }

void GAllocatorIdler::Receive(int id, const GEmptyMessage&) {
    if (id == GBasicSignals::kIdleTime)
        GAllocator::GetInstance()->DoIdleTime();
}

void GAllocatorIdler::SetInstance(GAllocatorIdler* idler) {
    GAllocatorIdler* previous;
    {
        GMutexLocker lock(InstanceMutex());
        previous = std::exchange(sIdler, idler);
    }
    if (previous != idler)
        delete previous;
}

GAllocatorIdler* GAllocatorIdler::GetInstance() {
    GMutexLocker lock(InstanceMutex());
    return sIdler;
}
