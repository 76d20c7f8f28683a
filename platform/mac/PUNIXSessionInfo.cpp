#include "PUNIXSessionInfo.h"

void PUNIXSessionInfo::GetAllActiveSessions(std::vector<int>& sessions) const {
    sessions.assign(1, mCurrentSession);
}

std::string PUNIXSessionInfo::GetSessionPrefix(int /*session*/) const { return std::string(); }
