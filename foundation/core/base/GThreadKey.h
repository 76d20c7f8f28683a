#pragma once
// GThreadKey: the full identifier of a thread, as a dictionary key. Two threads alive at the same
// time never have equal keys; the hash folds every byte of the identifier, so no part of it is cut.
#include <pthread.h>

#include <cstdint>
#include <cstring>


class GThreadKey {
public:
    GThreadKey() noexcept : mThread() {}
    explicit GThreadKey(pthread_t thread) noexcept : mThread(thread) {}

    static GThreadKey Current() noexcept { return GThreadKey(pthread_self()); }

    bool operator==(const GThreadKey& other) const noexcept { return pthread_equal(mThread, other.mThread) != 0; }
    bool operator!=(const GThreadKey& other) const noexcept { return !(*this == other); }

    uint32_t GetHash() const noexcept {
        unsigned char bytes[sizeof(pthread_t)];
        std::memcpy(bytes, &mThread, sizeof bytes);
        uint32_t hash = 2166136261u;
        for (unsigned char byte : bytes)
            hash = (hash ^ byte) * 16777619u;
        return hash;
    }

private:
    pthread_t mThread;
};
