#pragma once
// GQUIHelpHandlerTimeIdler: calls a function on each idle signal (100) while it lives; hover help
// keeps one exactly while some handler waits for its delay. It may be destroyed inside its own
// call.
#include "core/signals/GEmptyMessage.h"
#include "core/signals/GReceiver.h"

class GQUIHelpHandlerTimeIdler : public GReceiver<GEmptyMessage> {
public:
    using Function = void (*)();

    explicit GQUIHelpHandlerTimeIdler(Function function);
    ~GQUIHelpHandlerTimeIdler() override;

    void Receive(int id, GEmptyMessage const& message) override;

private:
    Function mFunction;
};
