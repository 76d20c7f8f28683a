#pragma once
// The process-wide progress centre: long operations open nested steps, the centre drives the
// current progressor and carries the cancel request. The core layer installs one at start-up and
// removes it at shut-down.
#include <atomic>

#include "core/memory/GAutoPtr.h"
#include "services/progress/GProgressor.h"

class GProgressCenter {
public:
    static GProgressCenter* GetInstance() { return sTheProgressCenter.load(std::memory_order_acquire); }
    // Installs centre and hands back the previous one, owned by the result when there was one.
    static GAutoPtr<GProgressCenter> SetInstance(GProgressCenter* centre);

    GProgressCenter() = default;
    virtual ~GProgressCenter();
    GProgressCenter(GProgressCenter const&) = delete;
    GProgressCenter& operator=(GProgressCenter const&) = delete;

    // Opens a step covering fraction of the open one; throws GAbortException when a cancel is pending.
    virtual void Start(double fraction) = 0;
    // Asks the running operation to stop at its next check; any thread may call it.
    virtual void NotifyAbort() {}
    // Closes the innermost step of the calling thread.
    virtual void Stop() = 0;
    // Deletes the progressor held so far when the centre owns it, then holds progressor.
    virtual void SetProgressor(GProgressor* progressor);
    // The progressor's value back to "not set".
    virtual void Reset();
    // Turns a pending cancel into a GAbortException (and clears it).
    virtual void ThrowIfAborted() = 0;

    GProgressor* GetCurrentProgressor() const { return mProgressor; }
    void SetTakeProgressorOwnerShip(bool take) { mTakeOwnership = take; }

private:
    static std::atomic<GProgressCenter*> sTheProgressCenter;

    GProgressor* mProgressor = nullptr;
    bool mTakeOwnership = true;
};
