#include "core/values/GUniqueID.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>

#include "core/bytes/GHexDigits.h"

namespace {

// 100-nanosecond intervals from 15 October 1582 to 1 January 1970.
constexpr uint64_t kGregorianOffset = 0x01B21DD213814000ULL;
// Timestamps have 60 bits; the version takes the rest.
constexpr uint64_t kTimestampLimit = 1ULL << 60;
constexpr int kIDLength = 16;
constexpr int kNodeLength = 6;

std::atomic<GUniqueID::EtherAddressFunction> sEtherAddressFunction{nullptr};

// rand() would give every process the same sequence; draw from the system's entropy instead.
// No lock is held, so a child forked by another thread meanwhile cannot be left blocked.
uint32_t RandomWord() {
    uint32_t word = 0;
    if (getrandom(&word, sizeof word, 0) == static_cast<ssize_t>(sizeof word))
        return word;
    std::random_device device;
    return device();
}

// The user's shared record of the last timestamp taken: a shared-memory object of the user alone,
// so that all the user's processes draw from it.
uint64_t* MapUserRecord() {
    char name[64];
    std::snprintf(name, sizeof name, "/GUniqueID-clock.%u", static_cast<unsigned>(geteuid()));
    const int fd = shm_open(name, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    struct stat status;
    // One that another user made or opened to others could be tampered with: leave it alone.
    bool usable = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == geteuid() &&
                  (status.st_mode & 077) == 0;
    if (usable && status.st_size < static_cast<off_t>(sizeof(uint64_t)))
        usable = ftruncate(fd, sizeof(uint64_t)) == 0;
    void* record = usable ? mmap(nullptr, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    close(fd);
    return record == MAP_FAILED ? nullptr : static_cast<uint64_t*>(record);
}

uint64_t* LastTimestampRecord() {
    static uint64_t* const record = [] {
        if (uint64_t* shared = MapUserRecord())
            return shared;
        // Without shared memory objects, at least the processes this one forks share the record.
        void* inherited = mmap(nullptr, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (inherited != MAP_FAILED)
            return static_cast<uint64_t*>(inherited);
        static uint64_t local = 0;
        return &local;
    }();
    return record;
}

uint64_t NextTimestamp() {
    static_assert(__atomic_always_lock_free(sizeof(uint64_t), nullptr), "the record is shared between processes");
    timeval now{};
    gettimeofday(&now, nullptr);
    const uint64_t clock =
        static_cast<uint64_t>(now.tv_sec) * 10000000ULL + static_cast<uint64_t>(now.tv_usec) * 10ULL + kGregorianOffset;
    uint64_t* const record = LastTimestampRecord();
    uint64_t last = __atomic_load_n(record, __ATOMIC_RELAXED);
    for (;;) {
        // A record past the 60 bits (written by something else) would wrap: start again from the clock.
        const uint64_t next = clock > last || last + 1 >= kTimestampLimit ? clock : last + 1;
        if (__atomic_compare_exchange_n(record, &last, next, true, __ATOMIC_RELAXED, __ATOMIC_RELAXED))
            return next;
    }
}

}  // namespace

void GUniqueID::SetEtherAddressFunction(EtherAddressFunction function) {
    sEtherAddressFunction.store(function, std::memory_order_release);
}

GUniqueID::GUniqueID() {
    unsigned char node[kNodeLength];
    GTable<GBuffer> addresses;
    if (EtherAddressFunction function = sEtherAddressFunction.load(std::memory_order_acquire))
        function(addresses);
    if (addresses.GetCount() > 0 && addresses[0].GetLength() == kNodeLength) {
        std::memcpy(node, addresses[0].GetPtr(), kNodeLength);
    } else {
        for (unsigned char& byte : node)
            byte = static_cast<unsigned char>(RandomWord() & 0xFF);
    }
    node[0] |= 0x80;
    mNode.Set(node, kNodeLength);
    mClockSequence = static_cast<uint16_t>(RandomWord() & 0xFFFF);
}

void GUniqueID::GetBin(GBuffer& out) const {
    const uint64_t t = NextTimestamp();
    unsigned char id[kIDLength];
    id[0] = static_cast<unsigned char>(t >> 24);
    id[1] = static_cast<unsigned char>(t >> 16);
    id[2] = static_cast<unsigned char>(t >> 8);
    id[3] = static_cast<unsigned char>(t);
    id[4] = static_cast<unsigned char>(t >> 40);
    id[5] = static_cast<unsigned char>(t >> 32);
    id[6] = static_cast<unsigned char>(((t >> 56) & 0x0F) | 0x10);
    id[7] = static_cast<unsigned char>(t >> 48);
    id[8] = static_cast<unsigned char>((mClockSequence >> 8) | 0x80);
    id[9] = static_cast<unsigned char>(mClockSequence);
    std::memcpy(id + 10, mNode.GetPtr(), kNodeLength);
    out.Set(id, kIDLength);
}

void GUniqueID::GetHex(GBuffer& out) const {
    GBuffer bin;
    GetBin(bin);
    unsigned char hex[2 * kIDLength];
    GHexDigits::Encode(bin.GetPtr(), kIDLength, hex);
    out.Set(hex, 2 * kIDLength);
}
