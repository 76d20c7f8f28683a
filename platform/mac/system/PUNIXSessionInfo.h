#pragma once
// The session information of a system without separate login sessions: one session, -1, whose
// shared names carry no session part, so every process of the machine meets in the same tables.
#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/values/GSessionInfo.h"

class PUNIXSessionInfo : public GSessionInfo {
public:
    PUNIXSessionInfo() = default;

    int GetCurrentSession() const override { return mCurrentSession; }
    // Replaces the contents with the one session.
    void GetAllActiveSessions(GTable<int>& sessions) const override;
    GBuffer GetSessionPrefix(int session) const override;

private:
    int mCurrentSession = -1;
};
