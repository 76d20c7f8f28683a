#pragma once
// GQUIModalLoopScope: tells the host that a modal Qt loop starts when made and that it ended when
// destroyed, so the host never stays modal when the code in between throws.
#include "ui/layer/GQUILayer.h"

class GQUIModalLoopScope {
public:
    explicit GQUIModalLoopScope(void* windowID) : mWindowID(windowID) { GQUILayer::HandleStartModalLoop(windowID); }
    ~GQUIModalLoopScope() { GQUILayer::HandleStopModalLoop(mWindowID); }
    GQUIModalLoopScope(GQUIModalLoopScope const&) = delete;
    GQUIModalLoopScope& operator=(GQUIModalLoopScope const&) = delete;

private:
    void* mWindowID;
};
