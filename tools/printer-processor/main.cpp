// The stand-in printer-processor: registers its actor and a queue, prints "ready <pid>
// <registration id>", polls its queue every 10 ms and writes each job notice to its output file
// until message 146, SIGTERM or SIGINT ends it cleanly (exit 0). Exit 1: it could not start or
// lost a line; exit 2: bad arguments. With --make-trovelor it makes and registers a Trovelor
// package, prints "trovelor <package>" and ends (exit 1 when it could not).
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "core/values/GSessionInfo.h"
#include "printer-processor/GPPJobPathGuard.h"
#include "printer-processor/GPPNoticeLog.h"
#include "printer-processor/GPPStandInActor.h"
#include "printer-processor/GPPStandInOptions.h"
#include "printer-processor/GPPStandInReceiver.h"
#include "printer-processor/GPPStandInTrovelor.h"
#include "printerprocessor/ipc/GPPIPCManager.h"
#include "printerprocessor/layers/GPPPrinterProcessorLayer.h"
#include "printerprocessor/queues/GPPIPCMessageQueue.h"
#include "printerprocessor/sharedmemory/GSharedMemoryLocker.h"

namespace {

constexpr int cPollMs = 10;

volatile std::sig_atomic_t sStopRequested = 0;

void RequestStop(int) { sStopRequested = 1; }

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// Takes this process's own queue lock and dies or stops with it held: peers must not freeze.
void MisbehaveHoldingLock(int registrationID, bool die) {
    GPPIPCMessageQueue queue(GSessionInfo::GetInstance()->GetCurrentSession(), getpid(), registrationID);
    GSharedMemoryLocker<GSharedMemoryBase<PUNIXSharedMemory> > lock(queue.GetMemory());
    std::printf("locked\n");
    std::fflush(stdout);
    raise(die ? SIGKILL : SIGSTOP);
}

void Poll(const GPPStandInOptions& options, GPPIPCManager& manager, GPPStandInReceiver& receiver) {
    const auto readFrom = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.mReadAfterMs);
    while (sStopRequested == 0 && !receiver.IsTerminateRequested()) {
        if (!options.mNoRead && std::chrono::steady_clock::now() >= readFrom) {
            manager.ProcessReceivedMessages();
            receiver.ReadSecondQueue();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(cPollMs));
    }
}

int Serve(const GPPStandInOptions& options, GPPNoticeLog& log, const GPPJobPathGuard& guard) {
    const GPPStandInActor actor;
    GPPIPCManager& manager = *GPPIPCManager::GetInstance();
    GPPStandInReceiver receiver(log, guard);
    receiver.Attach(manager);
    if (options.mRegisterTwice)
        receiver.AddSecondRegistration();
    std::printf("ready %d %d\n", static_cast<int>(getpid()), receiver.GetRegistrationID());
    std::fflush(stdout);
    if (options.mDieHoldingLock || options.mStopHoldingLock)
        MisbehaveHoldingLock(receiver.GetRegistrationID(), options.mDieHoldingLock);
    Poll(options, manager, receiver);
    receiver.Detach();
    return receiver.GetLostLineCount() == 0 ? 0 : 1;
}

int MakeTrovelor(const GPPStandInOptions& options) {
    std::string package;
    std::string error;
    bool made = false;
    try {
        made = GPPStandInTrovelor::Make(options, package, error);
    } catch (...) {
        error = "the registry could not be written";
    }
    if (!made) {
        std::fprintf(stderr, "PrinterProcessor: %s\n", error.c_str());
        return 1;
    }
    std::printf("trovelor %s\n", package.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    GPPStandInOptions options;
    std::string error;
    if (!options.Parse(argc, argv, error)) {
        std::fprintf(stderr, "PrinterProcessor: %s\n%s\n", error.c_str(), GPPStandInOptions::Usage());
        return 2;
    }
    if (!options.mTrovelorName.empty()) {
        if (!GPPPrinterProcessorLayer::Initialize()) {
            std::fprintf(stderr, "PrinterProcessor: the framework could not start\n");
            return 1;
        }
        const int result = MakeTrovelor(options);
        GPPPrinterProcessorLayer::Finalize();
        return result;
    }
    InstallStopHandlers();
    GPPNoticeLog log(options.mOutput);
    const GPPJobPathGuard guard(options.mFolder);
    if (!log.IsOpen() || !guard.IsUsable()) {
        std::fprintf(stderr, "PrinterProcessor: cannot use %s or %s\n", options.mOutput.c_str(), options.mFolder.c_str());
        return 1;
    }
    if (!GPPPrinterProcessorLayer::Initialize()) {
        std::fprintf(stderr, "PrinterProcessor: the hand-off could not start\n");
        return 1;
    }
    int result = 1;
    try {
        result = Serve(options, log, guard);
    } catch (...) {
        std::fprintf(stderr, "PrinterProcessor: could not register\n");
    }
    GPPPrinterProcessorLayer::Finalize();
    return result;
}
