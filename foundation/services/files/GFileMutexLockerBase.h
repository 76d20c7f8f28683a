#pragma once
// Holds a file handle's mutex for a scope. The locker keeps its own share of the mutex, so the
// handle may be deleted inside the scope (the last stream of a handle lets go of it so).
#include <memory>

#include "core/base/PUNIXMutexImp.h"
#include "services/files/GFileBase.h"

template <class Imp>
class GFileMutexLockerBase {
public:
    explicit GFileMutexLockerBase(GFileBase<Imp> const& file) : mMutex(file.GetMutex()) { mMutex->Lock(); }
    ~GFileMutexLockerBase() {
        try {
            mMutex->Unlock();
        } catch (...) {
        }
    }
    GFileMutexLockerBase(GFileMutexLockerBase const&) = delete;
    GFileMutexLockerBase& operator=(GFileMutexLockerBase const&) = delete;

private:
    std::shared_ptr<PUNIXMutexImp> mMutex;
};
