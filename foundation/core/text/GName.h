#pragma once
// GName: an interned name. Every distinct byte string has one process-wide record holding its
// bytes and their hash, so a name is one pointer: cheap to copy, compare and hash.
//
// Callers may rely on:
// - Equal texts lead to the same record, whichever way the text was given (literal, built buffer,
//   temporary); two names are equal exactly when they share a record.
// - A record owns a copy of its bytes and lives until process exit, so a name never dangles, even
//   when it was made from a temporary text.
// - The empty text is no name: it makes the same (null) name as the default constructor.
// - Names may be made on any thread: the table is guarded by one recursive mutex, and records are
//   immutable, so reading a name takes no lock.
#include <cstdint>
#include <memory>

#include "core/base/GMutexBase.h"
#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"

class GName {
public:
    // Immutable once made. mName borrows mBytes, which the record owns: reading a borrowed,
    // terminated buffer writes nothing, so threads may read a record at the same time.
    struct NameData {
        GBuffer mName;
        std::uint32_t mHash = 0;
        std::unique_ptr<unsigned char[]> mBytes;
    };

    // The process-wide table: built on first use, destroyed (with every record) at process exit.
    struct NamesDictWithMutex {
        NamesDictWithMutex();
        ~NamesDictWithMutex();
        NamesDictWithMutex(NamesDictWithMutex const&) = delete;
        NamesDictWithMutex& operator=(NamesDictWithMutex const&) = delete;

        GMutex mMutex;
        // Keys borrow the bytes of the record they map to.
        GDict<GBuffer, NameData*> mDict;
    };

    constexpr GName() noexcept : mData(nullptr) {}
    GName(char const* text);  // null or "": no name
    explicit GName(GBuffer const& name);

    // Makes this name refer to the record of name.
    void SetBuffer(GBuffer const& name);

    bool IsEmpty() const noexcept { return mData == nullptr; }
    // The text; empty for no name.
    GBuffer const& GetBuffer() const noexcept { return mData == nullptr ? GBuffer::cEmptyBuffer : mData->mName; }
    // Zero-terminated; "" for no name.
    char const* GetCString() const;
    std::uint32_t GetHash() const noexcept { return mData == nullptr ? 0 : mData->mHash; }
    NameData const* GetNameData() const noexcept { return mData; }

    static NamesDictWithMutex& GetNamesDictAndMutex();
    // Guard every use with GetNamesDictAndMutex().mMutex.
    static GDict<GBuffer, NameData*>& GetNameValues();

    friend bool operator==(GName const& a, GName const& b) noexcept { return a.mData == b.mData; }
    friend bool operator!=(GName const& a, GName const& b) noexcept { return a.mData != b.mData; }

private:
    static NameData* Intern(GBuffer const& name);

    NameData const* mData;
};

// A name is one pointer to an immortal record.
template <>
struct GIsRelocatable<GName> : std::true_type {};
