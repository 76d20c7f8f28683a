// The printer-processor hand-off against the kernel's own channels and locks, between real
// processes:
// - IPCStream400: a child sends 400-byte messages as fast as it can, the parent takes them
//   (time per message, messages per second): our queue (append, drain) against a POSIX message
//   queue, a pipe and a SOCK_SEQPACKET socket pair.
// - IPCPingPong400: one 400-byte message there and back per iteration; p50 and p99 of the round
//   trip in microseconds. Our receivers poll their queue (no kernel wake-up exists for it),
//   giving way between looks that find it empty; the peers block in the kernel.
// - IPCLock: 2, 4 and 8 processes take one lock in turn around a shared counter (time per lock):
//   our lock word against a robust process-shared pthread mutex.
// - IPCDeadOwner: the owner is killed holding the lock; time until the next process has it: our
//   takeover (it looks at the owner when the whole second changes) against EOWNERDEAD.
// Every object lives in a private namespace (TROVEL_SHM_PREFIX "trvbench<pid>_") and is removed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <mqueue.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "mac/ipc/PUNIXIPMutexImp.h"
#include "printerprocessor/queues/GPPIPCMessageQueue.h"

namespace {

constexpr int kMessage = 400;
constexpr int kStreamMessages = 20000;
constexpr int kPingPongs = 4000;
constexpr int kLockRounds = 5000;

void UsePrivateNames() {
    static const bool done = [] {
        const std::string prefix = "trvbench" + std::to_string(getpid()) + "_";
        setenv("TROVEL_SHM_PREFIX", prefix.c_str(), 1);
        GShMemID::Initialize();
        return true;
    }();
    (void)done;
}

std::string PrivateName(const char* what) { return "/trvbench" + std::to_string(getpid()) + "_" + what; }

double NowMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

// One direction of a channel: what the sender and the receiver do with a message.
class Channel {
public:
    virtual ~Channel() = default;
    // Called in the process that uses the end, after the fork.
    virtual void OpenSender() {}
    virtual void OpenReceiver() {}
    // Detaches what Open* attached, before the process ends.
    virtual void Close() {}
    virtual void Send(const char* message) = 0;
    virtual void Receive(char* message) = 0;
};

class QueueChannel : public Channel {
public:
    QueueChannel(int owner, int registration) : mOwner(owner), mRegistration(registration) {
        bool created = false;
        mKeep = std::make_unique<GPPIPCMessageQueue>(-1, owner, registration, created);
    }
    void OpenSender() override {
        mQueue = std::make_unique<GPPIPCMessageQueue>(-1, mOwner, mRegistration);
        mData.SetLength(kMessage);
    }
    void OpenReceiver() override { OpenSender(); }
    void Close() override { mQueue.reset(); }
    // The message goes out of one buffer of the sender's, as the peers write from the caller's.
    void Send(const char* message) override {
        std::memcpy(mData.GetWritePtr(), message, kMessage);
        while (!mQueue->TryToAddRawMessage(145, mData)) {
        }
    }
    // Each message is copied out of the drained batch, as the peers copy theirs out of the kernel.
    void Receive(char* message) override {
        while (mNext >= mDrained.GetCount()) {
            mQueue->ReadPendingMessages(mDrained);
            mNext = 0;
            // Nothing yet: the poll gives way before it looks again, as the sender does when the
            // queue is full, instead of keeping a processor from the sender.
            if (mDrained.GetCount() == 0)
                sched_yield();
        }
        std::memcpy(message, mDrained[mNext++]->GetData().GetPtr(), kMessage);
    }

private:
    int mOwner;
    int mRegistration;
    std::unique_ptr<GPPIPCMessageQueue> mKeep;
    std::unique_ptr<GPPIPCMessageQueue> mQueue;
    GBuffer mData;
    GTable<GSmartPtr<GPPIPCMessage> > mDrained;
    int mNext = 0;
};

class MQueueChannel : public Channel {
public:
    explicit MQueueChannel(const char* what) : mName(PrivateName(what)) {
        mq_attr attr{};
        attr.mq_maxmsg = 10;
        attr.mq_msgsize = kMessage;
        mQueue = mq_open(mName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600, &attr);
    }
    ~MQueueChannel() override {
        if (mQueue != static_cast<mqd_t>(-1))
            mq_close(mQueue);
        mq_unlink(mName.c_str());
    }
    bool Ok() const { return mQueue != static_cast<mqd_t>(-1); }
    void Send(const char* message) override {
        while (mq_send(mQueue, message, kMessage, 0) != 0 && errno == EINTR) {
        }
    }
    void Receive(char* message) override {
        while (mq_receive(mQueue, message, kMessage, nullptr) != kMessage) {
        }
    }

private:
    std::string mName;
    mqd_t mQueue;
};

// A pipe or a socket-pair direction: fds[1] writes, fds[0] reads, whole messages.
class DescriptorChannel : public Channel {
public:
    explicit DescriptorChannel(bool socket) {
        if (socket)
            socketpair(AF_UNIX, SOCK_SEQPACKET, 0, mFds);
        else
            pipe(mFds);
    }
    ~DescriptorChannel() override {
        close(mFds[0]);
        close(mFds[1]);
    }
    void Send(const char* message) override {
        int done = 0;
        while (done < kMessage) {
            const ssize_t n = write(mFds[1], message + done, static_cast<size_t>(kMessage - done));
            if (n > 0)
                done += static_cast<int>(n);
        }
    }
    void Receive(char* message) override {
        int done = 0;
        while (done < kMessage) {
            const ssize_t n = read(mFds[0], message + done, static_cast<size_t>(kMessage - done));
            if (n > 0)
                done += static_cast<int>(n);
        }
    }

private:
    int mFds[2] = {-1, -1};
};

enum Kind { cOurs, cMQueue, cPipe, cSocket };

// Two directions of one kind: there (parent to child) and back.
struct Link {
    std::unique_ptr<Channel> there;
    std::unique_ptr<Channel> back;
};

Link MakeLink(Kind kind) {
    UsePrivateNames();
    Link link;
    switch (kind) {
    case cOurs:
        link.there = std::make_unique<QueueChannel>(getpid(), 1);
        link.back = std::make_unique<QueueChannel>(getpid(), 2);
        break;
    case cMQueue: {
        auto there = std::make_unique<MQueueChannel>("there");
        auto back = std::make_unique<MQueueChannel>("back");
        if (!there->Ok() || !back->Ok())
            return Link();
        link.there = std::move(there);
        link.back = std::move(back);
        break;
    }
    case cPipe:
    case cSocket:
        link.there = std::make_unique<DescriptorChannel>(kind == cSocket);
        link.back = std::make_unique<DescriptorChannel>(kind == cSocket);
        break;
    }
    return link;
}

int WaitChild(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

void Stream(benchmark::State& state, Kind kind) {
    Link link = MakeLink(kind);
    if (!link.there) {
        state.SkipWithError("channel not available");
        return;
    }
    const pid_t child = fork();
    if (child == 0) {
        link.there->OpenSender();
        char message[kMessage] = {};
        for (int i = 0; i < kStreamMessages; ++i) {
            std::memcpy(message, &i, sizeof i);
            link.there->Send(message);
        }
        link.there->Close();
        _exit(0);
    }
    link.there->OpenReceiver();
    char message[kMessage];
    for (auto _ : state)
        link.there->Receive(message);
    WaitChild(child);
    state.SetItemsProcessed(state.iterations());
}

void PingPong(benchmark::State& state, Kind kind) {
    Link link = MakeLink(kind);
    if (!link.there) {
        state.SkipWithError("channel not available");
        return;
    }
    const pid_t child = fork();
    if (child == 0) {
        link.there->OpenReceiver();
        link.back->OpenSender();
        char message[kMessage];
        for (int64_t i = 0; i < static_cast<int64_t>(kPingPongs); ++i) {
            link.there->Receive(message);
            link.back->Send(message);
        }
        link.there->Close();
        link.back->Close();
        _exit(0);
    }
    link.there->OpenSender();
    link.back->OpenReceiver();
    std::vector<double> trips;
    trips.reserve(kPingPongs);
    char message[kMessage] = {};
    for (auto _ : state) {
        const double start = NowMicroseconds();
        link.there->Send(message);
        link.back->Receive(message);
        trips.push_back(NowMicroseconds() - start);
    }
    WaitChild(child);
    std::sort(trips.begin(), trips.end());
    state.counters["p50_us"] = trips[trips.size() / 2];
    state.counters["p99_us"] = trips[trips.size() * 99 / 100];
    state.SetItemsProcessed(state.iterations());
}

// The shared page of the lock benchmarks: a robust process-shared mutex and a counter.
struct SharedPage {
    pthread_mutex_t mutex;
    long counter;
};

SharedPage* MakeSharedPage() {
    void* page = mmap(nullptr, sizeof(SharedPage), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    auto* shared = static_cast<SharedPage*>(page);
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&shared->mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    shared->counter = 0;
    return shared;
}

void LockPthread(pthread_mutex_t* mutex) {
    if (pthread_mutex_lock(mutex) == EOWNERDEAD)
        pthread_mutex_consistent(mutex);
}

void Contention(benchmark::State& state, bool ours) {
    UsePrivateNames();
    const int processes = static_cast<int>(state.range(0));
    SharedPage* shared = MakeSharedPage();
    auto mutex = std::make_unique<PUNIXIPMutexImp>(GBuffer("BenchLock"));
    for (auto _ : state) {
        shared->counter = 0;
        std::vector<pid_t> children;
        for (int p = 0; p < processes; ++p) {
            const pid_t child = fork();
            if (child == 0) {
                auto mine = std::make_unique<PUNIXIPMutexImp>(GBuffer("BenchLock"));
                for (int r = 0; r < kLockRounds; ++r) {
                    if (ours) {
                        mine->Lock();
                        ++shared->counter;
                        mine->Unlock();
                    } else {
                        LockPthread(&shared->mutex);
                        ++shared->counter;
                        pthread_mutex_unlock(&shared->mutex);
                    }
                }
                mine.reset();
                _exit(0);
            }
            children.push_back(child);
        }
        for (pid_t child : children)
            WaitChild(child);
        if (shared->counter != static_cast<long>(processes) * kLockRounds)
            state.SkipWithError("lost an increment");
    }
    state.SetItemsProcessed(state.iterations() * processes * kLockRounds);
    mutex.reset();
    munmap(shared, sizeof(SharedPage));
}

void DeadOwner(benchmark::State& state, bool ours) {
    UsePrivateNames();
    SharedPage* shared = MakeSharedPage();
    auto mutex = std::make_unique<PUNIXIPMutexImp>(GBuffer("BenchDead"));
    for (auto _ : state) {
        int ready[2];
        if (pipe(ready) != 0) {
            state.SkipWithError("pipe");
            break;
        }
        const pid_t child = fork();
        if (child == 0) {
            if (ours)
                PUNIXIPMutexImp::Lock(mutex->GetLockWord());
            else
                pthread_mutex_lock(&shared->mutex);
            const char byte = 1;
            (void)!write(ready[1], &byte, 1);
            pause();
            _exit(0);
        }
        char byte = 0;
        (void)!read(ready[0], &byte, 1);
        close(ready[0]);
        close(ready[1]);
        kill(child, SIGKILL);
        WaitChild(child);
        const double start = NowMicroseconds();
        if (ours) {
            mutex->Lock();
            mutex->Unlock();
        } else {
            LockPthread(&shared->mutex);
            pthread_mutex_unlock(&shared->mutex);
        }
        state.SetIterationTime((NowMicroseconds() - start) / 1e6);
    }
    mutex.reset();
    munmap(shared, sizeof(SharedPage));
}

void StreamOurs(benchmark::State& state) { Stream(state, cOurs); }
void StreamMQueue(benchmark::State& state) { Stream(state, cMQueue); }
void StreamPipe(benchmark::State& state) { Stream(state, cPipe); }
void StreamSocket(benchmark::State& state) { Stream(state, cSocket); }
void PingPongOurs(benchmark::State& state) { PingPong(state, cOurs); }
void PingPongMQueue(benchmark::State& state) { PingPong(state, cMQueue); }
void PingPongPipe(benchmark::State& state) { PingPong(state, cPipe); }
void PingPongSocket(benchmark::State& state) { PingPong(state, cSocket); }
void LockOurs(benchmark::State& state) { Contention(state, true); }
void LockPthreadRobust(benchmark::State& state) { Contention(state, false); }
void DeadOwnerOurs(benchmark::State& state) { DeadOwner(state, true); }
void DeadOwnerPthread(benchmark::State& state) { DeadOwner(state, false); }

}  // namespace

BENCHMARK(StreamOurs)->Name(TROVEL_BENCH_NAME("IPCStream400", "ours"))->Iterations(kStreamMessages)->UseRealTime();
BENCHMARK(StreamMQueue)->Name(TROVEL_BENCH_NAME("IPCStream400", "mqueue"))->Iterations(kStreamMessages)->UseRealTime();
BENCHMARK(StreamPipe)->Name(TROVEL_BENCH_NAME("IPCStream400", "pipe"))->Iterations(kStreamMessages)->UseRealTime();
BENCHMARK(StreamSocket)->Name(TROVEL_BENCH_NAME("IPCStream400", "socketpair"))->Iterations(kStreamMessages)->UseRealTime();
BENCHMARK(PingPongOurs)->Name(TROVEL_BENCH_NAME("IPCPingPong400", "ours"))->Iterations(kPingPongs)->UseRealTime();
BENCHMARK(PingPongMQueue)->Name(TROVEL_BENCH_NAME("IPCPingPong400", "mqueue"))->Iterations(kPingPongs)->UseRealTime();
BENCHMARK(PingPongPipe)->Name(TROVEL_BENCH_NAME("IPCPingPong400", "pipe"))->Iterations(kPingPongs)->UseRealTime();
BENCHMARK(PingPongSocket)->Name(TROVEL_BENCH_NAME("IPCPingPong400", "socketpair"))->Iterations(kPingPongs)->UseRealTime();
BENCHMARK(LockOurs)->Name(TROVEL_BENCH_NAME("IPCLock", "ours"))->Arg(2)->Arg(4)->Arg(8)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(LockPthreadRobust)->Name(TROVEL_BENCH_NAME("IPCLock", "pthread_robust"))->Arg(2)->Arg(4)->Arg(8)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DeadOwnerOurs)->Name(TROVEL_BENCH_NAME("IPCDeadOwner", "ours"))->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DeadOwnerPthread)->Name(TROVEL_BENCH_NAME("IPCDeadOwner", "eownerdead"))->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);
