#include "printerprocessor/jobs/GPPJobNotifier.h"

#include <vector>

#include "core/containers/GTable.h"
#include "core/text/GString.h"
#include "core/values/GProcessInfo.h"
#include "mac/system/PMacXProcessInfo.h"
#include "printerprocessor/ipc/GPPIPCManager.h"

namespace {

const char* const cPrinterProcessorName = "PrinterProcessor";

// The printer-processor processes of all users, the caller left out unless includeSelf. Only a
// registered process can be sent to, so only the registered ones are looked at: the same answer
// for the send as a look at the whole process table, read from a few entries instead of all.
bool FindPrinterProcessors(GPPIPCManager& manager, bool includeSelf, GTable<int>& ids) {
    GProcessInfo* processes = GProcessInfo::GetInstance();
    if (processes == nullptr)
        return false;
    const GTable<int> registered = manager.GetRegisteredProcessIDs();
    ids.Resize(0);
    for (int pid : PMacXProcessInfo::FindProcessIDsAmong(cPrinterProcessorName,
                                                         std::vector<int>(registered.begin(), registered.end())))
        ids.AddItem(pid);
    if (includeSelf)
        return true;
    const int self = processes->GetCurrentProcessID();
    for (int i = 0; i < ids.GetCount(); ++i) {
        if (ids[i] == self) {
            ids.RemoveItemAt(i);
            break;
        }
    }
    return true;
}

// One listening process; a failure here is this process's alone.
bool SendToOne(GPPIPCManager& manager, int pid, int messageID, const GBuffer& payload) {
    try {
        if (manager.GetListeningState(pid) != GPPIPCManager::cListening)
            return false;
        return manager.SendOnceRaw(pid, messageID, payload);
    } catch (...) {
        return false;
    }
}

bool SendToAll(bool includeSelf, int messageID, const GBuffer& payload) {
    try {
        GPPIPCManager* manager = GPPIPCManager::GetInstance();
        GTable<int> ids;
        if (manager == nullptr || !FindPrinterProcessors(*manager, includeSelf, ids))
            return false;
        // One lock bound over all the targets; each target's queues are opened once for its
        // listening state, its send and all the looks of its wait, and the lookup's word that
        // they run is taken for the whole send.
        const GPPIPCManager::SendScope scope(*manager, ids);
        bool delivered = false;
        for (int i = 0; i < ids.GetCount(); ++i)
            delivered = SendToOne(*manager, ids[i], messageID, payload) || delivered;
        return delivered;
    } catch (...) {
        return false;
    }
}

}  // namespace

bool GPPJobNotifier::TrySendNotification() {
    try {
        if (!mInfo->IsValid())
            return false;
        return SendToAll(false, cNewJobMessage, mInfo->ToUTF8());
    } catch (...) {
        return false;
    }
}

bool GPPJobNotifier::TrySendTerminateNotification(bool includeSelf) {
    return SendToAll(includeSelf, cTerminateMessage, GBuffer());
}
