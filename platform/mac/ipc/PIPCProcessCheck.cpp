#include "mac/ipc/PIPCProcessCheck.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>

#include "mac/system/PMacXProcessInfo.h"

namespace {

// Every lock attempt stamps the word with our id: asked once, and again in a forked child, instead
// of one system call per attempt.
class OwnProcessID {
public:
    OwnProcessID() {
        Refresh();
        pthread_atfork(nullptr, nullptr, &Refresh);
    }
    int Get() const { return sID.load(std::memory_order_relaxed); }

private:
    static void Refresh() { sID.store(static_cast<int>(getpid()), std::memory_order_relaxed); }

    static std::atomic<int> sID;
};

std::atomic<int> OwnProcessID::sID{0};

}  // namespace

int PIPCProcessCheck::GetCurrentProcessID() {
    static const OwnProcessID own;
    return own.Get();
}

bool PIPCProcessCheck::IsRunning(int pid) { return PMacXProcessInfo::IsProcessRunning(pid); }
