#include "printerprocessor/sharedmemory/GIPLockBudget.h"

#include "mac/ipc/PUNIXIPMutexImp.h"

namespace {

struct Budget {
    bool open = false;
    long long leftMicroseconds = 0;
};

thread_local Budget tBudget;

}  // namespace

GIPLockBudget::GIPLockBudget() : mOpened(!tBudget.open) {
    if (!mOpened)
        return;
    tBudget.open = true;
    tBudget.leftMicroseconds = static_cast<long long>(PUNIXIPMutexImp::GetLockTimeout()) * 1000;
}

GIPLockBudget::~GIPLockBudget() {
    if (mOpened)
        tBudget = Budget();
}

int GIPLockBudget::NextWaitMs() {
    const int bound = PUNIXIPMutexImp::GetLockTimeout();
    if (!tBudget.open)
        return bound;
    const long long left = tBudget.leftMicroseconds / 1000;
    return left < bound ? static_cast<int>(left > 0 ? left : 0) : bound;
}

void GIPLockBudget::Spend(long long microseconds) {
    if (tBudget.open && microseconds > 0)
        tBudget.leftMicroseconds -= microseconds;
}

bool GIPLockBudget::IsOpen() { return tBudget.open; }
