#include "standin/StandinMainThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

class MainThreadRecord {
public:
    void Set(pthread_t thread) {
        std::lock_guard<std::mutex> lock(mMutex);
        mThread = thread;
        mSet = true;
    }

    // Unset only while the library is being loaded, so the caller is the loading thread.
    pthread_t Get() {
        std::lock_guard<std::mutex> lock(mMutex);
        if (!mSet) {
            mThread = pthread_self();
            mSet = true;
        }
        return mThread;
    }

private:
    std::mutex mMutex;
    pthread_t mThread{};
    bool mSet = false;
};

MainThreadRecord& Record() {
    static MainThreadRecord record;
    return record;
}

[[maybe_unused]] const bool sClaimedAtLoad = (Record().Get(), true);

// A call waiting for the main thread; it lives on the waiting caller's stack.
struct PendingCall {
    explicit PendingCall(const std::function<void()>& c) : call(&c) {}
    const std::function<void()>* call;
    bool done = false;
    std::condition_variable doneChanged;
};

class QueueHook final : public StandinMainThread::Hook {
public:
    void CallAndWait(const std::function<void()>& call) override {
        PendingCall pending(call);
        std::unique_lock<std::mutex> lock(mMutex);
        mQueue.push_back(&pending);
        mArrived.notify_all();
        pending.doneChanged.wait(lock, [&pending] { return pending.done; });
    }

    void Serve(int milliseconds) override {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 0);
        for (;;) {
            RunPending();
            std::unique_lock<std::mutex> lock(mMutex);
            if (Clock::now() >= deadline)
                return;
            mArrived.wait_until(lock, deadline, [this] { return !mQueue.empty(); });
        }
    }

private:
    // Runs the calls queued so far; a call that sleeps on the main thread serves later ones itself.
    void RunPending() {
        std::deque<PendingCall*> batch;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            batch.swap(mQueue);
        }
        for (PendingCall* pending : batch) {
            (*pending->call)();
            std::lock_guard<std::mutex> lock(mMutex);
            pending->done = true;
            // Notified under the lock: once the caller sees done it destroys the record.
            pending->doneChanged.notify_one();
        }
    }

    std::mutex mMutex;
    std::condition_variable mArrived;
    std::deque<PendingCall*> mQueue;
};

std::shared_ptr<StandinMainThread::Hook> DefaultHook() {
    static const std::shared_ptr<StandinMainThread::Hook> hook = std::make_shared<QueueHook>();
    return hook;
}

struct HookSlot {
    std::mutex mutex;
    std::shared_ptr<StandinMainThread::Hook> hook;
};

HookSlot& Slot() {
    static HookSlot slot;
    return slot;
}

std::shared_ptr<StandinMainThread::Hook> CurrentHook() {
    HookSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    if (!slot.hook)
        slot.hook = DefaultHook();
    return slot.hook;
}

}  // namespace

bool StandinMainThread::Hook::IsMainThread() const {
    return pthread_equal(pthread_self(), StandinMainThread::GetMainThread()) != 0;
}

void StandinMainThread::SetHook(std::shared_ptr<Hook> hook) {
    if (!hook)
        hook = DefaultHook();
    HookSlot& slot = Slot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    slot.hook = std::move(hook);
}

void StandinMainThread::SetMainThread(pthread_t thread) { Record().Set(thread); }

void StandinMainThread::SetCurrentThreadAsMain() { Record().Set(pthread_self()); }

pthread_t StandinMainThread::GetMainThread() { return Record().Get(); }

bool StandinMainThread::IsMainThread() { return CurrentHook()->IsMainThread(); }

void StandinMainThread::RunOnMainThread(Procedure proc, void* param) {
    if (!proc)
        return;
    const std::function<void()> guarded = [proc, param]() noexcept {
        try {
            proc(param);
        } catch (...) {
            // The caller may be on another thread and expects nothing back.
        }
    };
    const std::shared_ptr<Hook> hook = CurrentHook();
    if (hook->IsMainThread()) {
        guarded();
        return;
    }
    hook->CallAndWait(guarded);
}

void StandinMainThread::Serve(int milliseconds) {
    const std::shared_ptr<Hook> hook = CurrentHook();
    if (!hook->IsMainThread())
        return;
    hook->Serve(milliseconds);
}

void StandinMainThread::ProcessPendingCalls() { Serve(0); }
