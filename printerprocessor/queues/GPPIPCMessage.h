#pragma once
// One message taken from a queue: who sent it, its message ID and its bytes.
#include "core/bytes/GBuffer.h"

class GPPIPCMessage {
public:
    GPPIPCMessage() = default;
    GPPIPCMessage(int sender, int messageID, GBuffer const& data) : mSender(sender), mMessageID(messageID), mData(data) {}

    int GetSenderProcessID() const { return mSender; }
    int GetMessageID() const { return mMessageID; }
    GBuffer const& GetData() const { return mData; }

    void SetSenderProcessID(int sender) { mSender = sender; }
    void SetMessageID(int messageID) { mMessageID = messageID; }
    void SetData(GBuffer const& data) { mData = data; }

private:
    int mSender = 0;
    int mMessageID = 0;
    GBuffer mData;
};
