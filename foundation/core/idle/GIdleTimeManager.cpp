#include "core/idle/GIdleTimeManager.h"

#include "core/signals/GBasicSignals.h"

GIdleTimeManager* GIdleTimeManager::sInstance = nullptr;

// One serving walk, on the stack. A manager deleted while walks run marks them ended, and an
// ended walk no longer touches it: neither the chain of walks nor the executing flag.
class GIdleTimeManager::Walk {
public:
    Walk(GIdleTimeManager& manager, bool executing)
        : mManager(manager), mOuter(manager.mWalk), mWasExecuting(manager.mExecuting) {
        manager.mWalk = this;
        manager.mExecuting = executing || mWasExecuting;
    }
    ~Walk() {
        if (mEnded)
            return;
        mManager.mWalk = mOuter;
        mManager.mExecuting = mWasExecuting;
    }
    Walk(Walk const&) = delete;
    Walk& operator=(Walk const&) = delete;

    bool Ended() const { return mEnded; }
    static void EndAll(Walk* innermost) {
        for (Walk* walk = innermost; walk != nullptr; walk = walk->mOuter)
            walk->mEnded = true;
    }

private:
    GIdleTimeManager& mManager;
    Walk* const mOuter;
    bool const mWasExecuting;
    bool mEnded = false;
};

void GIdleTimeManager::Initialize() {
    if (sInstance == nullptr)
        sInstance = new GIdleTimeManager;
}

void GIdleTimeManager::Finalize() {
    GIdleTimeManager* manager = sInstance;
    sInstance = nullptr;
    delete manager;
}

GIdleTimeManager::GIdleTimeManager() = default;

GIdleTimeManager::~GIdleTimeManager() {
    Walk::EndAll(mWalk);
    UnSubscribeAll();
}

void GIdleTimeManager::RegisterClient(GIdleTimeClient* client) {
    if (client == nullptr)
        return;
    if (mClients.FindItem(client) < 0)
        mClients.AddItem(client);
    UpdateRepeaterSubscription();
}

void GIdleTimeManager::UnRegisterClient(GIdleTimeClient* client) {
    const int index = mClients.FindItem(client);
    if (index >= 0) {
        mClients.RemoveItemAt(index);
        // Keep the rotation on the client that follows the last one served (-1: the first).
        if (index <= mLastIndex)
            --mLastIndex;
    }
    UpdateRepeaterSubscription();
}

GIdleTimeClient* GIdleTimeManager::ScheduleIdleTimeClient() {
    const int n = mClients.GetCount();
    if (n == 0)
        return nullptr;
    mLastIndex = mLastIndex + 1 >= n || mLastIndex < 0 ? 0 : mLastIndex + 1;
    return mClients[mLastIndex];
}

bool GIdleTimeManager::Serve(GIdleTimeClient* client, Walk const& walk) {
    if (client == nullptr)
        return true;
    const bool more = client->DoIdleTime();
    if (walk.Ended())
        return false;
    if (!more)
        UnRegisterClient(client);
    return true;
}

void GIdleTimeManager::Receive(int id, const GEmptyMessage&) {
    if (id != GBasicSignals::kRepeaterTime)
        return;
    if (mTimer.IsRunning() && mTimer.GetElapsedSeconds() < cPassInterval)
        return;
    mTimer.Restart();
    Walk walk(*this, true);
    if (NeedsNextRun()) {
        if (!Serve(ScheduleIdleTimeClient(), walk))
            return;
        while (NeedsNextRun() && mTimer.GetElapsedSeconds() < cSliceLength) {
            if (!Serve(ScheduleIdleTimeClient(), walk))
                return;
        }
    }
    UpdateRepeaterSubscription();
}

bool GIdleTimeManager::Execute() {
    Walk walk(*this, false);
    return Serve(ScheduleIdleTimeClient(), walk) && NeedsNextRun();
}

void GIdleTimeManager::UpdateRepeaterSubscription() {
    const bool subscribed = IsSubscribed(GBasicSignals::kRepeaterTime);
    if (mClients.GetCount() == 0 && subscribed) {
        mTimer.Stop();
        UnSubscribe(GBasicSignals::kRepeaterTime);
    } else if (mClients.GetCount() > 0 && !subscribed) {
        Subscribe(GBasicSignals::kRepeaterTime);
        mTimer.Restart();
    }
}
