#include "mac/ipc/PUNIXSharedMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/base/GException.h"
#include "mac/ipc/PIPCObjectName.h"
#include "mac/ipc/PIPCProcessCheck.h"
#include "mac/ipc/PShmCalls.h"

namespace {

enum { cTotalWord = 0, cVersionWord = 1, cCountWord = 2, cListWord = 3 };

int Load(int const* word) { return __atomic_load_n(word, __ATOMIC_ACQUIRE); }
void Store(int* word, int value) { __atomic_store_n(word, value, __ATOMIC_RELEASE); }

bool IsValidCount(int count) {
    return count >= 0 && count <= PUNIXSharedMemory::cPIDListLimit && count % 4 == 0;
}

// 0 for a healthy header of an object of size bytes, else the error that describes the damage.
int JudgeHeader(int const* header, long long size) {
    if (size < PUNIXSharedMemory::cHeaderSize)
        return 40167;
    if (Load(&header[cTotalWord]) != size || !IsValidCount(Load(&header[cCountWord])))
        return 40168;
    return 0;
}

bool HasInvalidByte(GBuffer const& id) {
    for (int i = 0; i < id.GetLength(); ++i) {
        if (id.GetPtr()[i] == 0 || id.GetPtr()[i] == '/')
            return true;
    }
    return false;
}

GBuffer NameFor(GBuffer const& id) {
    // The limit counts "/" + ID; a test prefix does not count.
    if (id.IsEmpty() || id.GetLength() + 1 >= 30 || HasInvalidByte(id))
        throw GSimpleException(40162);
    return PIPCObjectName::Make(id);
}

}  // namespace

PUNIXSharedMemory::PUNIXSharedMemory(GBuffer const& path_, GBuffer const& id) : path(path_), name(NameFor(id)) {
    CheckConsistency(name);
    OpenExisting();
    if (Load(&Header()[cVersionWord]) != cVersion)
        Fail(40154);
    try {
        MarkAcquired();
    } catch (...) {
        Cleanup();
        throw;
    }
}

PUNIXSharedMemory::PUNIXSharedMemory(GBuffer const& path_, GBuffer const& id, int dataSize, bool& created)
    : path(path_), name(NameFor(id)) {
    created = false;
    if (dataSize < 0 || dataSize > 0x7FFFFFFF - cHeaderSize)
        throw GSimpleException(40170);
    const int wanted = dataSize + cHeaderSize;
    CheckConsistency(name);
    char const* text = PIPCObjectName::CString(name);
    fd = PShmCalls::OpenExisting(text);
    if (fd >= 0) {
        OpenExisting();
        if (totalSize != wanted)
            Fail(40168);
        if (Load(&Header()[cVersionWord]) != cVersion)
            Fail(40154);
        try {
            MarkAcquired();
        } catch (...) {
            Cleanup();
            throw;
        }
        return;
    }
    fd = PShmCalls::CreateExclusive(text);
    if (fd < 0)
        throw GSimpleException(40166);
    created = true;
    totalSize = wanted;
    if (ftruncate(fd, wanted) != 0) {
        PShmCalls::UnlinkIfSame(text, fd);
        PShmCalls::Close(fd);
        throw GSimpleException(40170);
    }
    MapHandleToPtr();
    Store(&Header()[cCountWord], 0);
    Store(&Header()[cVersionWord], cVersion);
    Store(&Header()[cTotalWord], wanted);
    Store(&Header()[cListWord], PIPCProcessCheck::GetCurrentProcessID());
    Store(&Header()[cCountWord], 4);
    attached = true;
}

PUNIXSharedMemory::~PUNIXSharedMemory() { Cleanup(); }

// Opens the name (fd may already be open) and maps the whole segment once its header and size
// agree; a damaged object is unlinked (callers hold the segment's mutex) and reported.
void PUNIXSharedMemory::OpenExisting() {
    char const* text = PIPCObjectName::CString(name);
    if (fd < 0)
        fd = PShmCalls::OpenExisting(text);
    if (fd < 0)
        throw GSimpleException(40165);
    const long long size = PShmCalls::SizeOf(fd);
    // A size no header can state is damage without a look; any other is mapped once, whole, and
    // the header judged there.
    int damage = size < cHeaderSize ? 40167 : size > 0x7FFFFFFF ? 40168 : 0;
    if (damage == 0) {
        totalSize = static_cast<int>(size);
        MapHandleToPtr();
        damage = JudgeHeader(Header(), size);
    }
    if (damage != 0) {
        PShmCalls::UnlinkIfSame(text, fd);
        Fail(damage);
    }
}

void PUNIXSharedMemory::MapHandleToPtr() {
    map = static_cast<unsigned char*>(PShmCalls::Map(fd, totalSize));
    if (map == nullptr)
        Fail(40167);
}

void PUNIXSharedMemory::Fail(int id) {
    attached = false;
    Cleanup();
    throw GSimpleException(id);
}

void PUNIXSharedMemory::CheckConsistency(GBuffer const& name) {
    char const* text = PIPCObjectName::CString(name);
    int fd = PShmCalls::OpenExisting(text);
    if (fd < 0)
        return;
    const long long size = PShmCalls::SizeOf(fd);
    if (size < cHeaderSize) {
        PShmCalls::UnlinkIfSame(text, fd);
        PShmCalls::Close(fd);
        return;
    }
    int* header = static_cast<int*>(PShmCalls::Map(fd, cHeaderSize));
    if (header == nullptr) {
        PShmCalls::Close(fd);
        return;
    }
    if (JudgeHeader(header, size) != 0) {
        PShmCalls::UnlinkIfSame(text, fd);
    } else {
        int count = Load(&header[cCountWord]);
        for (int i = 0; i * 4 < count;) {
            if (PIPCProcessCheck::IsRunning(Load(&header[cListWord + i]))) {
                ++i;
                continue;
            }
            count -= 4;
            Store(&header[cListWord + i], Load(&header[cListWord + count / 4]));
            Store(&header[cCountWord], count);
        }
        if (count == 0)
            PShmCalls::UnlinkIfSame(text, fd);
    }
    PShmCalls::Unmap(header, cHeaderSize);
    PShmCalls::Close(fd);
}

void PUNIXSharedMemory::Read(int offset, unsigned char* to, int count) const {
    if (count <= 0)
        return;
    if (offset < 0 || offset > GetLength() || count > GetLength() - offset)
        throw GSimpleException(40163);
    std::memcpy(to, map + cHeaderSize + offset, static_cast<size_t>(count));
}

void PUNIXSharedMemory::Write(int offset, unsigned char const* from, int count) {
    if (count <= 0)
        return;
    if (offset < 0 || offset > GetLength() || count > GetLength() - offset)
        throw GSimpleException(40164);
    std::memcpy(map + cHeaderSize + offset, from, static_cast<size_t>(count));
}

void PUNIXSharedMemory::MarkAcquired() {
    const int count = Load(&Header()[cCountWord]);
    if (count >= cPIDListLimit || !IsValidCount(count))
        throw GSimpleException(40171);
    Store(&Header()[cListWord + count / 4], PIPCProcessCheck::GetCurrentProcessID());
    Store(&Header()[cCountWord], count + 4);
    attached = true;
}

void PUNIXSharedMemory::MarkReleased() {
    if (!attached || map == nullptr)
        return;
    attached = false;
    const int pid = PIPCProcessCheck::GetCurrentProcessID();
    int count = Load(&Header()[cCountWord]);
    if (!IsValidCount(count))
        return;
    // Our own first entry goes, and with it the entries of processes that died attached: else
    // they would keep the segment alive after its last living user.
    bool ownFound = false;
    for (int i = 0; i * 4 < count;) {
        const int entry = Load(&Header()[cListWord + i]);
        const bool own = !ownFound && entry == pid;
        if (!own && (entry == pid || PIPCProcessCheck::IsRunning(entry))) {
            ++i;
            continue;
        }
        ownFound = ownFound || own;
        count -= 4;
        Store(&Header()[cListWord + i], Load(&Header()[cListWord + count / 4]));
        Store(&Header()[cCountWord], count);
    }
    if (count == 0)
        PShmCalls::UnlinkIfSame(PIPCObjectName::CString(name), fd);
}

void PUNIXSharedMemory::Cleanup() {
    if (map != nullptr && attached && Load(&Header()[cVersionWord]) == cVersion)
        MarkReleased();
    attached = false;
    PShmCalls::Unmap(map, totalSize);
    map = nullptr;
    PShmCalls::Close(fd);
}

void PUNIXSharedMemory::Abandon() {
    attached = false;
    Cleanup();
}

void PUNIXSharedMemory::Remove(GBuffer const& id) {
    try {
        shm_unlink(PIPCObjectName::CString(NameFor(id)));
    } catch (GException const&) {
        // An impossible name names nothing.
    }
}

int PUNIXSharedMemory::GetPIDCount() const { return map == nullptr ? 0 : Load(&Header()[cCountWord]) / 4; }

namespace {

// Visits the header of the healthy segment of this ID, mapped read-only with count data bytes
// behind it; false when there is none (an impossible ID names none).
template <class Visit>
bool WithHealthyHeader(GBuffer const& id, int count, Visit visit) {
    GBuffer name;
    try {
        name = NameFor(id);
    } catch (GException const&) {
        return false;
    }
    const int fd = shm_open(PIPCObjectName::CString(name), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool visited = false;
    const long long size = PShmCalls::SizeOf(fd);
    const long long mapped = static_cast<long long>(PUNIXSharedMemory::cHeaderSize) + count;
    if (count >= 0 && size >= mapped) {
        void* map = mmap(nullptr, static_cast<size_t>(mapped), PROT_READ, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) {
            int const* header = static_cast<int const*>(map);
            if (JudgeHeader(header, size) == 0 && Load(&header[cVersionWord]) == PUNIXSharedMemory::cVersion) {
                visit(header);
                visited = true;
            }
            munmap(map, static_cast<size_t>(mapped));
        }
    }
    close(fd);
    return visited;
}

bool HasRunningProcess(int const* header) {
    const int count = Load(&header[cCountWord]);
    for (int i = 0; i * 4 < count; ++i) {
        if (PIPCProcessCheck::IsRunning(Load(&header[cListWord + i])))
            return true;
    }
    return false;
}

}  // namespace

bool PUNIXSharedMemory::Exists(GBuffer const& /*path*/, GBuffer const& id) {
    bool exists = false;
    WithHealthyHeader(id, 0, [&](int const* header) { exists = HasRunningProcess(header); });
    return exists;
}

bool PUNIXSharedMemory::ReadAbandoned(GBuffer const& id, int count, GBuffer& data) {
    bool abandoned = false;
    WithHealthyHeader(id, count, [&](int const* header) {
        if (HasRunningProcess(header))
            return;
        data = GBuffer(reinterpret_cast<unsigned char const*>(header) + cHeaderSize, count);
        abandoned = true;
    });
    return abandoned;
}
