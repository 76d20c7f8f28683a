#include "mac/system/PUNIXSessionInfo.h"

void PUNIXSessionInfo::GetAllActiveSessions(GTable<int>& sessions) const {
    sessions.Resize(0);
    sessions.AddItem(mCurrentSession);
}

GBuffer PUNIXSessionInfo::GetSessionPrefix(int /*session*/) const { return GBuffer(); }
