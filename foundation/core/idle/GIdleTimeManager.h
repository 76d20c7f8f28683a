#pragma once
// Shares the repeater signal (101) among idle-time clients: at most once every quarter second it
// serves the clients in rotation for a slice of about 50 ms. It listens to the signal only while
// it has clients, so a process without idle-time work pays nothing. One manager per process,
// made by Initialize and deleted by Finalize; it runs on the thread that sends signal 101.
//
// A client may register or unregister clients (itself among them) from inside its own slice;
// the rotation goes on with the client after the last one served. A slice may also end the
// manager itself (the last stop of the core layer finalizes it): the walk then stops at once and
// touches nothing of the deleted manager. The manager does not own its clients: a client
// unregisters itself before it is deleted.
#include "core/containers/GTable.h"
#include "core/idle/GIdleTimeClient.h"
#include "core/signals/GEmptyMessage.h"
#include "core/signals/GReceiver.h"
#include "core/values/GTimer.h"

class GIdleTimeManager : private GReceiver<GEmptyMessage> {
public:
    // Seconds between two serving passes, and the time after which a pass serves no more clients.
    static constexpr double cPassInterval = 0.25;
    static constexpr double cSliceLength = 0.05;

    static void Initialize();
    static void Finalize();
    static GIdleTimeManager* GetInstance() { return sInstance; }

    GIdleTimeManager();
    ~GIdleTimeManager() override;

    // A client registered already keeps its one entry.
    void RegisterClient(GIdleTimeClient* client);
    void UnRegisterClient(GIdleTimeClient* client);

    void Receive(int id, const GEmptyMessage& message) override;
    // Serves one client without the time checks; true while clients remain, false also when
    // the slice ended the manager.
    bool Execute();
    // The client after the last one served (it becomes the last one), or null without clients.
    GIdleTimeClient* ScheduleIdleTimeClient();
    bool NeedsNextRun() const { return mClients.GetCount() > 0; }
    bool IsExecuting() const { return mExecuting; }
    // Subscribed to 101 exactly while there are clients; the timer runs while subscribed.
    void UpdateRepeaterSubscription();

    int CountClients() const { return mClients.GetCount(); }
    bool IsListening() const { return IsSubscribed(101); }

private:
    class Walk;

    // Serves one client; false when the slice deleted the manager (this is then gone).
    bool Serve(GIdleTimeClient* client, Walk const& walk);

    static GIdleTimeManager* sInstance;

    GTimer mTimer;
    int mLastIndex = 0;
    GTable<GIdleTimeClient*> mClients;
    bool mExecuting = false;
    // The innermost walk running on the stack; the destructor tells every one of them.
    Walk* mWalk = nullptr;
};
