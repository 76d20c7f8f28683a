#include "core/signals/GConsolidatedReceiver.h"

#include "core/signals/GSignalBase.h"

GConsolidatedReceiver::~GConsolidatedReceiver() { GSignalBase::ForgetConsolidatedReceiver(this); }
