#pragma once
// The session information of a system without separate login sessions: one session, -1, whose
// shared names carry no session part.
#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"

class PUNIXSessionInfo {
public:
    PUNIXSessionInfo() = default;

    int GetCurrentSession() const { return mCurrentSession; }
    // Replaces the contents with the one session.
    void GetAllActiveSessions(GTable<int>& sessions) const;
    GBuffer GetSessionPrefix(int session) const;

private:
    int mCurrentSession = -1;
};
