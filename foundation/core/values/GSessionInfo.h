#pragma once
// GSessionInfo: which login session the process runs in, which sessions exist and which prefix
// the names of per-session shared objects carry. The instance is made on first use and lives
// until the process ends; it is never replaced. GetInstance is the platform's half
// (platform/mac/system/GSessionInfo.cpp), since only the platform knows its sessions.
#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"

class GSessionInfo {
public:
    // The one instance; made on the first call (thread-safe), the same object on every call.
    static GSessionInfo* GetInstance();

    virtual ~GSessionInfo() = default;
    virtual int GetCurrentSession() const = 0;
    // Replaces the contents with the active sessions.
    virtual void GetAllActiveSessions(GTable<int>& sessions) const = 0;
    virtual GBuffer GetSessionPrefix(int session) const = 0;

protected:
    GSessionInfo() = default;
    GSessionInfo(GSessionInfo const&) = default;
    GSessionInfo& operator=(GSessionInfo const&) = default;
};
