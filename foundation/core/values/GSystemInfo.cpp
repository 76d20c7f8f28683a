#include "core/values/GSystemInfo.h"

std::atomic<GSystemInfo*> GSystemInfo::sInstance{nullptr};

void GSystemInfo::SetInstance(GSystemInfo* instance) {
    GSystemInfo* previous = sInstance.exchange(instance, std::memory_order_acq_rel);
    // Deleting an instance that stays installed would leave callers a dangling one.
    if (previous != instance)
        delete previous;
}
