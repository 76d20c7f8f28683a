#pragma once
// One time budget for the lock waits of one operation of the hand-off (a send over all its
// targets, the start of the IPC manager, its end). While a budget is open on the thread, every
// wait for a segment's mutex is bounded by what is left of it, so a lock word stuck at a living
// process costs the operation one lock bound in all, not one per target. A budget opened while
// another is open joins it. A spent budget still tries each lock once (a free one, or one whose
// owner died, is had); without a budget each wait has the whole lock bound.
// Per thread: the manager runs on one thread.
class GIPLockBudget {
public:
    GIPLockBudget();
    ~GIPLockBudget();
    GIPLockBudget(const GIPLockBudget&) = delete;
    GIPLockBudget& operator=(const GIPLockBudget&) = delete;

    // The longest the next lock wait may take, in milliseconds.
    static int NextWaitMs();
    // Charges a wait that has taken place.
    static void Spend(long long microseconds);
    static bool IsOpen();

private:
    bool mOpened;
};
