#include "mac/threads/PUNIXThreadImp.h"

#include <cerrno>
#include <memory>

#include "core/base/GException.h"

namespace {

struct StartRecord {
    PUNIXThreadImp::Entry entry;
    void* argument;
};

void* StartRoutine(void* raw) {
    const StartRecord record = *std::unique_ptr<StartRecord>(static_cast<StartRecord*>(raw));
    record.entry(record.argument);
    return nullptr;
}

int ErrorID(int error) {
    switch (error) {
    case EINVAL:
        return 40254;
    case EAGAIN:
        return 40253;
    default:
        return 40256;
    }
}

}  // namespace

void PUNIXThreadImp::BeginThread(Entry entry, void* argument) {
    auto record = std::make_unique<StartRecord>(StartRecord{entry, argument});
    pthread_t thread;
    const int error = pthread_create(&thread, nullptr, StartRoutine, record.get());
    if (error != 0)
        throw GSimpleException(ErrorID(error));
    record.release();  // the new thread owns it now
    pthread_detach(thread);
}

pthread_t PUNIXThreadImp::GetCurrentThreadId() { return pthread_self(); }
