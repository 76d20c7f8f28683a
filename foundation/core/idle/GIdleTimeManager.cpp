#include "core/idle/GIdleTimeManager.h"

#include "core/signals/GBasicSignals.h"

GIdleTimeManager* GIdleTimeManager::sInstance = nullptr;

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

GIdleTimeManager::~GIdleTimeManager() { UnSubscribeAll(); }

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

void GIdleTimeManager::Serve(GIdleTimeClient* client) {
    if (client != nullptr && !client->DoIdleTime())
        UnRegisterClient(client);
}

void GIdleTimeManager::Receive(int id, const GEmptyMessage&) {
    if (id != GBasicSignals::kRepeaterTime)
        return;
    if (mTimer.IsRunning() && mTimer.GetElapsedSeconds() < cPassInterval)
        return;
    const bool wasExecuting = mExecuting;
    mExecuting = true;
    mTimer.Restart();
    struct Restore {
        GIdleTimeManager& manager;
        bool executing;
        ~Restore() {
            manager.mExecuting = executing;
        }
    } restore{*this, wasExecuting};
    if (NeedsNextRun()) {
        Serve(ScheduleIdleTimeClient());
        while (NeedsNextRun() && mTimer.GetElapsedSeconds() < cSliceLength)
            Serve(ScheduleIdleTimeClient());
    }
    UpdateRepeaterSubscription();
}

bool GIdleTimeManager::Execute() {
    Serve(ScheduleIdleTimeClient());
    return NeedsNextRun();
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
