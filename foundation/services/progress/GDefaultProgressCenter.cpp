#include "services/progress/GDefaultProgressCenter.h"

#include <algorithm>
#include <cmath>

#include "core/base/GAbortException.h"
#include "core/base/GThreadKey.h"

void GDefaultProgressCenter::Start(double fraction) {
    ThrowIfAborted();
    // A step that is not a number covers nothing; kept as NaN it could never be found to pop.
    mSteps.AddItem(Step(std::isnan(fraction) ? 0.0 : fraction, 0.0));
}

void GDefaultProgressCenter::NotifyAbort() { mAbort.store(true, std::memory_order_release); }

void GDefaultProgressCenter::ThrowIfAborted() {
    // exchange: of two threads checking at once, only one throws for one cancel.
    if (mAbort.exchange(false, std::memory_order_acq_rel))
        throw GAbortException();
}

void GDefaultProgressCenter::Stop() {
    const GTable<Step>* steps = static_cast<GThreadLocalTable<Step> const&>(mSteps).Instance();
    if (steps == nullptr || steps->GetCount() == 0)
        return;
    const int count = steps->GetCount();
    const Step top = (*steps)[count - 1];
    if (count > 1) {
        Step& parent = mSteps.Instance()[count - 2];
        parent.second = std::min(1.0, parent.second + top.first);
    }
    // The last equal item is the top one; an emptied table leaves the thread.
    mSteps.RemoveItem(GThreadKey::Current(), top);
    GProgressor* progressor = GetCurrentProgressor();
    if (progressor == nullptr)
        return;
    const double shown = static_cast<double>(progressor->GetMaximum()) * GetTotalProgress();
    // A value out of range (NaN or huge fractions) cannot become an integer: show nothing new.
    if (!std::isfinite(shown) || std::fabs(shown) >= 9.2e18)
        return;
    const long long value = static_cast<long long>(shown);
    if (mForce)
        progressor->ForceValue(value);
    else
        progressor->SetValue(value);
}

double GDefaultProgressCenter::GetTotalProgress() const {
    const GTable<Step>* steps = mSteps.Instance();
    if (steps == nullptr || steps->GetCount() == 0)
        return 1.0;
    double total = 0.0;
    for (int i = steps->GetCount() - 1; i >= 0; --i)
        total = (total + (*steps)[i].second) * (*steps)[i].first;
    return total;
}
