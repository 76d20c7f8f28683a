#include "core/values/GProcessInfo.h"

std::atomic<GProcessInfo*> GProcessInfo::sInstance{nullptr};

void GProcessInfo::SetInstance(GProcessInfo* instance) {
    GProcessInfo* previous = sInstance.exchange(instance, std::memory_order_acq_rel);
    // Deleting an instance that stays installed would leave callers a dangling one.
    if (previous != instance)
        delete previous;
}
