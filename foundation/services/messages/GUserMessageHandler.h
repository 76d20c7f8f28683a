#pragma once
// Defers work to idle time: any thread may queue a command (an error message, say); the commands
// run one after the other, in arrival order, on the thread that delivers the idle signal (100).
// The handler listens to the signal only while its queue holds commands. Its mutex is held only
// to add or take a command, never while one runs, so a command may queue more.
#include "core/base/GMutexBase.h"
#include "core/containers/GAutoTable.h"
#include "core/memory/GAutoPtr.h"
#include "core/signals/GEmptyMessage.h"
#include "core/signals/GReceiver.h"
#include "core/text/GString.h"
#include "services/messages/GCommand.h"

class GUserMessageHandler : public GReceiver<GEmptyMessage> {
public:
    // Shows an error box through the installed user-message instance.
    class ErrorMessageObject : public GCommand {
    public:
        ErrorMessageObject(GString const& title, GString const& message) : mTitle(title), mMessage(message) {}
        void Execute() override;

    private:
        GString mTitle;
        GString mMessage;
    };

    static void Initialize();
    // Deletes the handler; queued commands are deleted without running.
    static void Finalize();
    static GUserMessageHandler* GetInstance() { return sInstance; }

    GUserMessageHandler() = default;
    ~GUserMessageHandler() override;

    // Takes the command; a null one is ignored.
    void RegisterMessage(GAutoPtr<GCommand> command);
    void RegisterErrorMessage(GString const& title, GString const& message);

    void Receive(int id, GEmptyMessage const& message) override;

    int CountQueued() const;

private:
    static GUserMessageHandler* sInstance;

    mutable GMutex mQueueMutex;
    GAutoTable<GCommand> mQueue;
};
