#include "mac/threads/SafeMPRemoteCall.h"

#include "mac/system/PSystem.h"
#include "standin/StandinMainThread.h"

void SafeMPRemoteCall(void* (*proc)(void*), void* param) { StandinMainThread::RunOnMainThread(proc, param); }

void SafeMPSleep(int milliseconds) {
    if (StandinMainThread::IsMainThread()) {
        StandinMainThread::Serve(milliseconds);
        return;
    }
    PSystem::MilliSleep(milliseconds);
}
