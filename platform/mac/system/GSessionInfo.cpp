// The platform's half of GSessionInfo: the instance is this platform's session information.
#include "core/values/GSessionInfo.h"

#include "mac/system/PUNIXSessionInfo.h"

GSessionInfo* GSessionInfo::GetInstance() {
    // A function-local static: made once, thread-safe, deleted at process exit.
    static PUNIXSessionInfo sInstance;
    return &sInstance;
}
