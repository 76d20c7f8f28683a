#include "printer-processor/GPPStandInReceiver.h"

#include <unistd.h>

#include "core/base/GException.h"
#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/memory/GSmartPtr.h"
#include "core/streams/GContainerText.h"
#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/values/GSessionInfo.h"
#include "printerprocessor/ipc/GPPIPCManager.h"
#include "printerprocessor/jobs/GPPJobInfo.h"
#include "printerprocessor/jobs/GPPJobNotifier.h"
#include "printerprocessor/queues/GPPIPCMessageQueue.h"
#include "printerprocessor/queues/GPPIPCMessageQueueMgr.h"

namespace {

GEncoding const* UTF8() { return GEncodingFallback::Get<GUTF8Encoding>(); }

std::string ToUTF8(const GString& text) {
    const GBuffer bytes = text.GetBuffer(UTF8());
    return std::string(reinterpret_cast<const char*>(bytes.GetPtr()), static_cast<std::size_t>(bytes.GetLength()));
}

// The job path as the sender wrote it: the notice normalises it, which would hide a "..".
std::string RawJobPath(const GBuffer& payload) {
    GDict<GBuffer, GString> dict(5);
    dict.FromString(GString(payload, UTF8()));
    int slot = 0;
    if (!dict.GetExistingIndex(GBuffer("JobPath"), slot))
        return std::string();
    return ToUTF8(dict.GetValueAt(slot));
}

const char* VerdictName(GPPJobPathGuard::Verdict verdict) {
    switch (verdict) {
    case GPPJobPathGuard::kAccepted: return "accepted";
    case GPPJobPathGuard::kMissing: return "missing";
    case GPPJobPathGuard::kRefused: break;
    }
    return "refused";
}

}  // namespace

GPPStandInReceiver::GPPStandInReceiver(GPPNoticeLog& log, const GPPJobPathGuard& guard) : mLog(log), mGuard(guard) {}

// The second table's own destructor removes the second registration.
GPPStandInReceiver::~GPPStandInReceiver() {
    try {
        Detach();
    } catch (...) {
    }
}

void GPPStandInReceiver::Attach(GPPIPCManager& manager) {
    manager.Register(GPPJobNotifier::cNewJobMessage, this);
    try {
        manager.Register(GPPJobNotifier::cTerminateMessage, this);
    } catch (...) {
        manager.Unregister(GPPJobNotifier::cNewJobMessage, this);
        throw;
    }
    mManager = &manager;
    mRegistrationID = manager.GetRegistrationID();
}

void GPPStandInReceiver::Detach() {
    if (mManager == nullptr)
        return;
    GPPIPCManager& manager = *mManager;
    mManager = nullptr;
    manager.Unregister(GPPJobNotifier::cTerminateMessage, this);
    manager.Unregister(GPPJobNotifier::cNewJobMessage, this);
}

void GPPStandInReceiver::HandleMessage(const GPPIPCMessage& message) {
    if (message.GetMessageID() == GPPJobNotifier::cTerminateMessage) {
        mTerminate = true;
        return;
    }
    if (message.GetMessageID() == GPPJobNotifier::cNewJobMessage)
        Record(message, mRegistrationID);
}

void GPPStandInReceiver::Record(const GPPIPCMessage& message, int registrationID) {
    const GPPJobInfo info = GPPJobInfo::FromUTF8(message.GetData());
    std::string verdict = "invalid";
    std::string detail;
    if (info.IsValid())
        verdict = VerdictName(mGuard.Check(RawJobPath(message.GetData()), detail));
    const bool written = mLog.Append({std::to_string(message.GetSenderProcessID()), std::to_string(registrationID),
                                      verdict, ToUTF8(info.GetUserName()), ToUTF8(info.GetJobPath().GetNativePathString()),
                                      ToUTF8(info.GetPrinterName()), ToUTF8(info.GetPortName()),
                                      std::to_string(info.GetCopyCount()), ToUTF8(info.GetPrinterID()), detail});
    if (!written)
        ++mLostLines;
}

void GPPStandInReceiver::AddSecondRegistration() {
    mSecondTable = GAutoPtr<GPPIPCMessageQueueMgr>(new GPPIPCMessageQueueMgr(false, 0));
    const int id = mSecondTable->Register(getpid());
    if (id == 0)
        throw GSimpleException(40154);
    bool created = false;
    mSecondQueue = GAutoPtr<GPPIPCMessageQueue>(
        new GPPIPCMessageQueue(GSessionInfo::GetInstance()->GetCurrentSession(), getpid(), id, created));
    mSecondID = id;
}

void GPPStandInReceiver::ReadSecondQueue() {
    if (mSecondQueue.Get() == nullptr)
        return;
    GTable<GSmartPtr<GPPIPCMessage> > messages;
    mSecondQueue->ReadPendingMessages(messages);
    for (int i = 0; i < messages.GetCount(); ++i) {
        const GPPIPCMessage& message = *messages[i];
        if (message.GetMessageID() == GPPJobNotifier::cNewJobMessage)
            Record(message, mSecondID);
        else if (message.GetMessageID() == GPPJobNotifier::cTerminateMessage)
            mTerminate = true;
    }
}
