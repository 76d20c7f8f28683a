#include "mac/system/PMacXProcessInfo.h"

#include <unistd.h>

int PMacXProcessInfo::GetCurrentProcessID() const { return static_cast<int>(getpid()); }
