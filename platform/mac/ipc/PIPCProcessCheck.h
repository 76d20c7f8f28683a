#pragma once
// The process facts the inter-process locks and segments need: who we are and whether a process
// that a lock word or a PID list names still runs. A zombie counts as dead: it will never release
// a lock again.
class PIPCProcessCheck {
public:
    static int GetCurrentProcessID();
    // False for 0, negative IDs, processes that have ended and zombies.
    static bool IsRunning(int pid);
};
