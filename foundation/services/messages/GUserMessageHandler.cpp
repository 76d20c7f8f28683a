#include "services/messages/GUserMessageHandler.h"

#include "core/base/GMutexLocker.h"
#include "core/signals/GBasicSignals.h"
#include "services/messages/GUserMessage.h"

GUserMessageHandler* GUserMessageHandler::sInstance = nullptr;

void GUserMessageHandler::ErrorMessageObject::Execute() {
    GUserMessage::GetInstance()->ShowErrorMessage(mTitle, mMessage);
}

void GUserMessageHandler::Initialize() {
    if (sInstance == nullptr)
        sInstance = new GUserMessageHandler;
}

void GUserMessageHandler::Finalize() {
    GUserMessageHandler* handler = sInstance;
    sInstance = nullptr;
    delete handler;
}

GUserMessageHandler::~GUserMessageHandler() {
    // Before the queue goes: a delivery on another thread must not find it half destroyed.
    UnSubscribeAll();
}

void GUserMessageHandler::RegisterMessage(GAutoPtr<GCommand> command) {
    GCommand* taken = command.Get();
    if (taken == nullptr)
        return;
    bool wasEmpty;
    {
        GMutexLocker lock(mQueueMutex);
        wasEmpty = mQueue.GetCount() == 0;
        mQueue.AddItem(taken);
        command.Release();
    }
    // Outside the queue's mutex: subscribing takes the signal's mutex, which a delivery holds
    // while it takes the queue's.
    if (wasEmpty && !IsSubscribed(GBasicSignals::kIdleTime))
        Subscribe(GBasicSignals::kIdleTime);
}

void GUserMessageHandler::RegisterErrorMessage(GString const& title, GString const& message) {
    RegisterMessage(GAutoPtr<GCommand>(new ErrorMessageObject(title, message)));
}

void GUserMessageHandler::Receive(int id, GEmptyMessage const&) {
    if (id != GBasicSignals::kIdleTime)
        return;
    for (;;) {
        GCommand* command;
        {
            GMutexLocker lock(mQueueMutex);
            if (mQueue.GetCount() == 0) {
                // Every listing: two threads that both found the queue empty may have added one each.
                while (IsSubscribed(GBasicSignals::kIdleTime))
                    UnSubscribe(GBasicSignals::kIdleTime);
                return;
            }
            command = mQueue[0];
            mQueue.RemoveItemAt(0);
        }
        GAutoPtr<GCommand> owner(command);
        command->Execute();
    }
}

int GUserMessageHandler::CountQueued() const {
    GMutexLocker lock(mQueueMutex);
    return mQueue.GetCount();
}
