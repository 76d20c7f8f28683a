#include "services/progress/GProgressCenter.h"

std::atomic<GProgressCenter*> GProgressCenter::sTheProgressCenter{nullptr};

GAutoPtr<GProgressCenter> GProgressCenter::SetInstance(GProgressCenter* centre) {
    GProgressCenter* previous = sTheProgressCenter.exchange(centre, std::memory_order_acq_rel);
    // Handing back the centre just installed would let the caller delete the live one.
    if (previous == centre)
        return GAutoPtr<GProgressCenter>();
    return GAutoPtr<GProgressCenter>(previous);
}

GProgressCenter::~GProgressCenter() {
    if (mTakeOwnership)
        delete mProgressor;
}

void GProgressCenter::SetProgressor(GProgressor* progressor) {
    if (progressor == mProgressor)
        return;  // deleting it would leave the centre holding a deleted progressor
    if (mTakeOwnership)
        delete mProgressor;
    mProgressor = progressor;
}

void GProgressCenter::Reset() {
    if (mProgressor != nullptr)
        mProgressor->ResetValue();
}
