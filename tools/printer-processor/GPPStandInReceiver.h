#pragma once
// The receiving half of the stand-in printer-processor: takes job notices (145), confines their
// job path to the output folder, and writes one line per notice; a terminate message (146) asks
// the program to end. Optionally holds a second registration with a queue of its own, read
// directly, as a process registered twice does.
//
// Output line, fields separated by tabs (escaped as GPPNoticeLog does), ending in CR:
//   sender PID, registration ID, verdict ("accepted", "refused", "missing", "invalid"), user name,
//   job path, printer name, port name, copy count, printer ID, detail (size, "folder" or reason).
#include <atomic>
#include <string>

#include "core/memory/GAutoPtr.h"
#include "printer-processor/GPPJobPathGuard.h"
#include "printer-processor/GPPNoticeLog.h"
#include "printerprocessor/ipc/GPPIPCReceiver.h"

class GPPIPCManager;
class GPPIPCMessageQueue;
class GPPIPCMessageQueueMgr;

class GPPStandInReceiver : public GPPIPCReceiver {
public:
    GPPStandInReceiver(GPPNoticeLog& log, const GPPJobPathGuard& guard);
    // Detaches when still attached.
    ~GPPStandInReceiver() override;

    // Registers for messages 145 and 146 (this registers the process and opens its queue);
    // throws, registered for neither, when that fails.
    void Attach(GPPIPCManager& manager);
    void Detach();
    int GetRegistrationID() const { return mRegistrationID; }

    void HandleMessage(const GPPIPCMessage& message) override;

    // A second entry in the registration table and its queue; throws when either cannot be made.
    void AddSecondRegistration();
    int GetSecondRegistrationID() const { return mSecondID; }
    // Reads the second queue, when there is one, and handles what it held.
    void ReadSecondQueue();

    bool IsTerminateRequested() const { return mTerminate.load(); }
    // Lines that could not be written.
    int GetLostLineCount() const { return mLostLines; }

private:
    void Record(const GPPIPCMessage& message, int registrationID);

    GPPNoticeLog& mLog;
    const GPPJobPathGuard& mGuard;
    GPPIPCManager* mManager = nullptr;
    int mRegistrationID = 0;
    std::atomic<bool> mTerminate{false};
    int mLostLines = 0;
    GAutoPtr<GPPIPCMessageQueueMgr> mSecondTable;
    GAutoPtr<GPPIPCMessageQueue> mSecondQueue;
    int mSecondID = 0;
};
