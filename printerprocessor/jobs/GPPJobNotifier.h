#pragma once
// Delivers a job notice to every running printer-processor process that listens (message 145),
// or asks them all to terminate (message 146), through the IPC manager. The printer-processor
// layer must be up.
//
// Callers may rely on:
// - The notice is kept by address, not copied: it must outlive the notifier.
// - Never throws. True when at least one process took the message; a process that fails or does
//   not take it does not keep the message from the processes after it.
// - An invalid notice (GPPJobInfo::IsValid false) is sent to nobody.
// - Each send blocks the calling thread for up to the IPC manager's wait per queue; the lock
//   waits of one notification, over all its targets, share one lock bound.
// - False means no process took it, and then none ever gets it.
#include "printerprocessor/jobs/GPPJobInfo.h"

class GPPJobNotifier {
public:
    static constexpr int cNewJobMessage = 145;
    static constexpr int cTerminateMessage = 146;

    explicit GPPJobNotifier(const GPPJobInfo& info) : mInfo(&info) {}

    // Every other process named "PrinterProcessor" gets the notice.
    bool TrySendNotification();
    // With includeSelf the calling process is asked too, when it bears that name.
    static bool TrySendTerminateNotification(bool includeSelf);

private:
    const GPPJobInfo* mInfo;
};
