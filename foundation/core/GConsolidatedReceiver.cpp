#include "GConsolidatedReceiver.h"

#include "GSignalBase.h"

GConsolidatedReceiver::~GConsolidatedReceiver() { GSignalBase::ForgetConsolidatedReceiver(this); }
