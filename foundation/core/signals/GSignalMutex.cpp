#include "core/signals/GSignalMutex.h"

#include "core/base/GException.h"

void GSignalMutex::ThrowLockFailure() { throw GSimpleException(40202); }

void GSignalMutex::ThrowUnlockFailure() { throw GSimpleException(40203); }
