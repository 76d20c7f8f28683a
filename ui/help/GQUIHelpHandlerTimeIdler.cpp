#include "ui/help/GQUIHelpHandlerTimeIdler.h"

#include "core/signals/GBasicSignals.h"

GQUIHelpHandlerTimeIdler::GQUIHelpHandlerTimeIdler(Function function) : mFunction(function) {
    Subscribe(GBasicSignals::kIdleTime);
}

GQUIHelpHandlerTimeIdler::~GQUIHelpHandlerTimeIdler() { UnSubscribeAll(); }

void GQUIHelpHandlerTimeIdler::Receive(int id, GEmptyMessage const&) {
    // The function may destroy this idler: nothing of it is touched after the call.
    if (id == GBasicSignals::kIdleTime)
        mFunction();
}
