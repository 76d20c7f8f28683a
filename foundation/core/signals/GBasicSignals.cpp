#include "core/signals/GBasicSignals.h"

#include "core/signals/GEmptyMessage.h"
#include "core/signals/GSignal.h"

namespace {

void SendEmpty(int id) { GSignal<GEmptyMessage>::GetSignal(id)->Send(GEmptyMessage()); }

} // namespace

void GBasicSignals::DevoteTimeToIdlers() {
    SendEmpty(kIdleTime);
    GSignalBase::SendDelayedSignals();
}

void GBasicSignals::DevoteTimeToRepeaters() { SendEmpty(kRepeaterTime); }

void GBasicSignals::SendPreferencesChanged() { SendEmpty(kPreferencesChanged); }

void GBasicSignals::SendLowMemory() {
    if (GSignalBase::InBookkeeping())
        return;
    try {
        if (GSignal<GEmptyMessage>* signal = GSignal<GEmptyMessage>::FindSignal(kLowMemory))
            signal->Send(GEmptyMessage());
    } catch (...) {
        // See the header: the more-memory-free flag is the receivers' only answer.
    }
}
