#pragma once
// What a process implements to take messages of the IPC manager's receiving side: HandleMessage
// runs once for each received message whose ID the receiver was registered for, on the thread
// that processes the received messages. An exception it throws is dropped; the other receivers
// and messages are still served.
#include "printerprocessor/queues/GPPIPCMessage.h"

class GPPIPCReceiver {
public:
    virtual ~GPPIPCReceiver() = default;
    virtual void HandleMessage(const GPPIPCMessage& message) = 0;
};
