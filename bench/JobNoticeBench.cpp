// The job hand-off, between real processes:
// - JobNotice: one notice end to end, from the job notifier to the stand-in PrinterProcessor
//   (which polls its queue every 10 ms); the send returns once the receiver has taken it. Peer:
//   the same bytes there and back through a POSIX message queue with a forked echo child, which
//   the kernel wakes. p50 and p99 in milliseconds; busy_p50/busy_p99 are the sender thread's CPU
//   time per notice, the time it spends outside its sleeps and lock waits (its own lookup of the
//   receivers included); lookup_p50/lookup_p99 the CPU time of a lookup by name over the whole
//   process table, for comparison (the notifier looks only at the registered receivers).
// - JobNoticeSend: the same notice, sent by the IPC manager the way the notifier sends it, but
//   after a lookup made outside the timing: busy_p50/busy_p99 are the hand-off's own CPU time per
//   notice (listening state, append, looks, closing), without the lookup. Peer: the same
//   POSIX message-queue round trip.
// - JobNoticeToFile: 100 notices through the save-as tool's own call (ZARidizoTools::
//   NotifyPrinterProcessor), each timed until its line is in the receiver's output file (seen
//   through inotify); notices are spaced by a random 0-20 ms, as a user's exports are, so that
//   they do not fall in step with the receiver's 10 ms polls. p50/p99 of that time;
//   return_p50/return_p99 until the send returned, busy_p50/busy_p99 the sender's CPU time.
//   Peer: the POSIX message-queue round trip between two processes.
// - QueueSend: one message into a receiver's queue and drained again, opening the sender's side
//   of the queue for every send (as the IPC manager does) against keeping it open.
// Objects live in the private namespace of the other IPC benchmarks ("trvbench<pid>_") and are
// removed; the receiver runs in a sandbox (HOME, XDG_*, TMPDIR) of its own.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <mqueue.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchRatio.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/values/GProcessInfo.h"
#include "core/values/GSessionInfo.h"
#include "printerprocessor/ipc/GPPIPCManager.h"
#include "printerprocessor/jobs/GPPJobInfo.h"
#include "printerprocessor/jobs/GPPJobNotifier.h"
#include "printerprocessor/layers/GCCLTrovelCoreLayer.h"
#include "printerprocessor/layers/GPPPrinterProcessorLayer.h"
#include "printerprocessor/queues/GPPIPCMessageQueue.h"
#include "plugin/tools/ZARidizoTools.h"
#include "support/FoundationStartup.h"
#include "support/PrivateSandbox.h"
#include "support/SpawnedProgram.h"

namespace {

// Both sides of a pair run the same number of iterations, so that their ratio is printed.
constexpr int kNotices = 40;
constexpr int kRoundTrips = kNotices;
constexpr int kFileNotices = 100;
constexpr int kQueueSends = 5000;

void UsePrivateNames() {
    static const bool done = [] {
        StartFoundation();
        const std::string prefix = "trvbench" + std::to_string(getpid()) + "_";
        setenv("TROVEL_SHM_PREFIX", prefix.c_str(), 1);
        // Held for the whole run, so that a stop of the hand-off layer below never empties the
        // special identifiers that the other IPC benchmarks name their objects with.
        GCCLTrovelCoreLayer::Initialize();
        return true;
    }();
    (void)done;
}

double NowMs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void Percentiles(benchmark::State& state, const char* name, std::vector<double> samples) {
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    state.counters[std::string(name) + "p50_ms"] = samples[samples.size() / 2];
    state.counters[std::string(name) + "p99_ms"] = samples[samples.size() * 99 / 100];
}

GString Text(const std::string& utf8) { return GString(utf8.c_str(), GEncodingFallback::Get<GUTF8Encoding>()); }

// A sandbox with a running stand-in receiver, and the hand-off layer of this process.
class ReceiverSandbox {
public:
    ReceiverSandbox() {
        mJob = mSandbox.WriteJob("job.pdf", "%PDF-");
        mLayer = GPPPrinterProcessorLayer::Initialize();
        std::string ready;
        mReady = mLayer && mReceiver.Start(TROVEL_PRINTER_PROCESSOR, {"--output", Output()}) &&
                 mReceiver.ReadLine(ready, 15000) && ready.compare(0, 6, "ready ") == 0;
    }
    ~ReceiverSandbox() {
        if (mReady)
            GPPJobNotifier::TrySendTerminateNotification(false);
        mReceiver.Wait(5000);
        if (mLayer)
            GPPPrinterProcessorLayer::Finalize();
    }
    bool Ready() const { return mReady; }
    const std::string& Job() const { return mJob; }
    std::string Output() const { return mSandbox.Out() + "/notices.txt"; }

private:
    PrivateSandbox mSandbox;
    SpawnedProgram mReceiver;
    std::string mJob;
    bool mLayer = false;
    bool mReady = false;
};

// The moments lines (each ended by a CR) appear in a file another process appends to, taken by a
// thread of its own as inotify reports each write.
class LineWatch {
public:
    explicit LineWatch(const std::string& path)
        : mNotify(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)), mFile(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        mOk = mNotify >= 0 && mFile >= 0 && inotify_add_watch(mNotify, path.c_str(), IN_MODIFY) >= 0;
        if (mOk)
            mThread = std::thread([this] { Run(); });
    }
    ~LineWatch() {
        mStop = true;
        if (mThread.joinable())
            mThread.join();
        if (mNotify >= 0)
            close(mNotify);
        if (mFile >= 0)
            close(mFile);
    }
    bool Ok() const { return mOk; }
    // When line n (from 1) appeared, on the monotonic clock; negative when it did not in time.
    double WaitForLine(size_t n, int timeoutMs) {
        std::unique_lock<std::mutex> lock(mMutex);
        if (!mAppeared.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return mTimes.size() >= n; }))
            return -1;
        return mTimes[n - 1];
    }

private:
    void Run() {
        while (!mStop) {
            pollfd ready{mNotify, POLLIN, 0};
            const int n = poll(&ready, 1, 50);
            const double now = NowMs(CLOCK_MONOTONIC);
            if (n <= 0)
                continue;
            char events[4096];
            while (read(mNotify, events, sizeof events) > 0) {
            }
            size_t lines = 0;
            char bytes[4096];
            ssize_t got;
            while ((got = read(mFile, bytes, sizeof bytes)) > 0)
                lines += static_cast<size_t>(std::count(bytes, bytes + got, '\r'));
            if (lines == 0)
                continue;
            const std::lock_guard<std::mutex> lock(mMutex);
            mTimes.insert(mTimes.end(), lines, now);
            mAppeared.notify_all();
        }
    }

    int mNotify;
    int mFile;
    bool mOk = false;
    std::atomic<bool> mStop{false};
    std::mutex mMutex;
    std::condition_variable mAppeared;
    std::vector<double> mTimes;
    std::thread mThread;
};

// One notice per iteration through send(info, ids), ids being a process lookup made outside the
// timing; the lookup's own CPU time is reported when asked.
template <class Send>
void TimeNotices(benchmark::State& state, bool reportLookup, Send send) {
    UsePrivateNames();
    ReceiverSandbox sandbox;
    if (!sandbox.Ready()) {
        state.SkipWithError("the receiver did not start");
        return;
    }
    const GPPJobInfo info(Text("bench"), GPathName(Text(sandbox.Job())), Text("Proof"), Text("10987"), 1, GString());
    std::vector<double> wall;
    std::vector<double> busy;
    std::vector<double> lookup;
    int failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double looking = NowMs(CLOCK_THREAD_CPUTIME_ID);
        GTable<int> ids;
        GProcessInfo::GetInstance()->GetProcessID(GString("PrinterProcessor"), ids, false);
        lookup.push_back(NowMs(CLOCK_THREAD_CPUTIME_ID) - looking);
        state.ResumeTiming();
        const double start = NowMs(CLOCK_MONOTONIC);
        const double cpu = NowMs(CLOCK_THREAD_CPUTIME_ID);
        failed += !send(info, ids);
        busy.push_back(NowMs(CLOCK_THREAD_CPUTIME_ID) - cpu);
        wall.push_back(NowMs(CLOCK_MONOTONIC) - start);
    }
    if (failed > 0)
        state.SkipWithError("a notice was not delivered");
    Percentiles(state, "", wall);
    Percentiles(state, "busy_", busy);
    if (reportLookup)
        Percentiles(state, "lookup_", lookup);
}

// The notifier makes its own lookup for each notice.
void NoticeOurs(benchmark::State& state) {
    TimeNotices(state, true, [](const GPPJobInfo& info, const GTable<int>&) { return GPPJobNotifier(info).TrySendNotification(); });
}

// The notifier's sends without its lookup.
void NoticeSendOnly(benchmark::State& state) {
    TimeNotices(state, false, [](const GPPJobInfo& info, const GTable<int>& ids) {
        GPPIPCManager& manager = *GPPIPCManager::GetInstance();
        const GPPIPCManager::SendScope scope(manager, ids);
        bool delivered = false;
        for (int pid : ids)
            delivered = (manager.GetListeningState(pid) == GPPIPCManager::cListening &&
                         manager.SendOnce(pid, GPPJobNotifier::cNewJobMessage, info)) ||
                        delivered;
        return delivered;
    });
}

// The save-as tool's hand-off of a finished file, timed until the receiver has written it down.
void NoticeToFile(benchmark::State& state) {
    UsePrivateNames();
    ReceiverSandbox sandbox;
    if (!sandbox.Ready()) {
        state.SkipWithError("the receiver did not start");
        return;
    }
    LineWatch watch(sandbox.Output());
    if (!watch.Ok()) {
        state.SkipWithError("the output file cannot be watched");
        return;
    }
    const GPathName job(Text(sandbox.Job()));
    std::mt19937 random(145);
    std::uniform_int_distribution<int> gapUs(0, 20000);
    std::vector<double> file;
    std::vector<double> returned;
    std::vector<double> busy;
    size_t sent = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::microseconds(gapUs(random)));
        const double start = NowMs(CLOCK_MONOTONIC);
        const double cpu = NowMs(CLOCK_THREAD_CPUTIME_ID);
        const bool delivered = ZARidizoTools::NotifyPrinterProcessor(Text("Proof"), job);
        busy.push_back(NowMs(CLOCK_THREAD_CPUTIME_ID) - cpu);
        returned.push_back(NowMs(CLOCK_MONOTONIC) - start);
        const double written = delivered ? watch.WaitForLine(++sent, 5000) : -1;
        if (written < 0) {
            state.SkipWithError("a notice did not reach the output file");
            return;
        }
        file.push_back(written - start);
        state.SetIterationTime(file.back() / 1e3);
    }
    Percentiles(state, "", file);
    Percentiles(state, "return_", returned);
    Percentiles(state, "busy_", busy);
}

void NoticeMQueue(benchmark::State& state) {
    UsePrivateNames();
    const std::string base = "/trvbench" + std::to_string(getpid()) + "_job";
    const std::string there = base + "there";
    const std::string back = base + "back";
    const GPPJobInfo info(Text("bench"), GPathName(Text("/tmp/out/job.pdf")), Text("Proof"), Text("10987"), 1, GString());
    const GBuffer payload = info.ToUTF8();
    const int size = payload.GetLength();
    mq_attr attr{};
    attr.mq_maxmsg = 4;
    attr.mq_msgsize = size;
    const mqd_t out = mq_open(there.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600, &attr);
    const mqd_t in = mq_open(back.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600, &attr);
    mq_unlink(there.c_str());
    mq_unlink(back.c_str());
    if (out == static_cast<mqd_t>(-1) || in == static_cast<mqd_t>(-1)) {
        state.SkipWithError("mq_open failed");
        return;
    }
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char> message(static_cast<std::size_t>(size));
        for (;;) {
            const ssize_t n = mq_receive(out, message.data(), message.size(), nullptr);
            if (n <= 0)
                _exit(0);
            mq_send(in, message.data(), static_cast<std::size_t>(n), 0);
        }
    }
    std::vector<char> reply(static_cast<std::size_t>(size));
    std::vector<double> wall;
    for (auto _ : state) {
        const double start = NowMs(CLOCK_MONOTONIC);
        mq_send(out, reinterpret_cast<const char*>(payload.GetPtr()), static_cast<std::size_t>(size), 0);
        mq_receive(in, reply.data(), reply.size(), nullptr);
        wall.push_back(NowMs(CLOCK_MONOTONIC) - start);
        state.SetIterationTime(wall.back() / 1e3);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    mq_close(out);
    mq_close(in);
    Percentiles(state, "", wall);
}

// The receiver's queue is kept by this process; a send opens the sender's side or reuses it.
void QueueSend(benchmark::State& state, bool openPerSend) {
    UsePrivateNames();
    const int session = GSessionInfo::GetInstance()->GetCurrentSession();
    constexpr int kRegistration = 4242;
    bool created = false;
    GPPIPCMessageQueue receiver(session, getpid(), kRegistration, created);
    std::unique_ptr<GPPIPCMessageQueue> kept;
    if (!openPerSend)
        kept = std::make_unique<GPPIPCMessageQueue>(session, getpid(), kRegistration);
    const GBuffer payload = GPPJobInfo(Text("bench"), GPathName(Text("/tmp/out/job.pdf")), Text("Proof"),
                                       Text("10987"), 1, GString()).ToUTF8();
    GTable<GSmartPtr<GPPIPCMessage> > drained;
    for (auto _ : state) {
        if (openPerSend) {
            GPPIPCMessageQueue sender(session, getpid(), kRegistration);
            benchmark::DoNotOptimize(sender.TryToAddRawMessage(145, payload));
        } else {
            benchmark::DoNotOptimize(kept->TryToAddRawMessage(145, payload));
        }
        receiver.ReadPendingMessages(drained);
    }
    state.SetItemsProcessed(state.iterations());
}

void QueueSendOpenPerSend(benchmark::State& state) { QueueSend(state, true); }
void QueueSendKeptOpen(benchmark::State& state) { QueueSend(state, false); }

}  // namespace

BENCHMARK(NoticeOurs)->Name(TROVEL_BENCH_NAME("JobNotice", "ours"))->Iterations(kNotices)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(NoticeSendOnly)->Name(TROVEL_BENCH_NAME("JobNoticeSend", "ours"))->Iterations(kNotices)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(NoticeMQueue)->Name(TROVEL_BENCH_NAME("JobNoticeSend", "mqueue"))->Iterations(kRoundTrips)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(NoticeMQueue)->Name(TROVEL_BENCH_NAME("JobNotice", "mqueue"))->Iterations(kRoundTrips)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(NoticeToFile)->Name(TROVEL_BENCH_NAME("JobNoticeToFile", "ours"))->Iterations(kFileNotices)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(NoticeMQueue)->Name(TROVEL_BENCH_NAME("JobNoticeToFile", "mqueue"))->Iterations(kFileNotices)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(QueueSendOpenPerSend)->Name(TROVEL_BENCH_NAME("QueueSend", "ours"))->Iterations(kQueueSends)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(QueueSendKeptOpen)->Name(TROVEL_BENCH_NAME("QueueSend", "kept-open"))->Iterations(kQueueSends)->UseRealTime()->Unit(benchmark::kMicrosecond);
