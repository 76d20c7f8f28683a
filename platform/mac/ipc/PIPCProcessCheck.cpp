#include "mac/ipc/PIPCProcessCheck.h"

#include <unistd.h>

#include "mac/system/PMacXProcessInfo.h"

int PIPCProcessCheck::GetCurrentProcessID() { return static_cast<int>(getpid()); }

bool PIPCProcessCheck::IsRunning(int pid) { return PMacXProcessInfo::IsProcessRunning(pid); }
