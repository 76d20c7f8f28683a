#pragma once
// The POSIX half of the framework's file handle: opens, reads, writes, positions, measures and
// locks one file through a descriptor. The handle above it keeps the path and the cached
// position and length (-1: none cached) and supplies them through the pure operations.
//
// Open mode bits: 1 read, 2 write, 4 create (missing folders too), 8 truncate, 16 and 32 share,
// 64 own file.
// Callers may rely on:
// - Access: read with write or truncate opens read-write; write or truncate alone write-only
//   (a truncating open must be able to truncate); otherwise read-only. Always non-blocking and
//   closed on exec; a new file gets 0600, new folders 0777 less the umask.
// - Locks, taken without waiting right after the open: write without bit 32 takes an exclusive
//   lock on the whole file, else read without bit 16 a shared one. A volume without lock support
//   (ENOTSUP) is accepted. A refused lock throws PUNIXSystemException and leaves the descriptor
//   open and the file untouched: truncation happens only once the lock is held.
// - The locks are open-file-description locks: they belong to this descriptor, survive the
//   closing of any other descriptor of the file (FileInUse probes among them) and conflict with
//   classic record locks of other processes. Two handles of this process on one file exclude
//   each other as two processes would.
// - The share bits ask for no lock of their own (there is no open-time shared lock here).
// - Own file (for files in folders that others may write to): no symbolic link in the last
//   component is followed (ELOOP), create makes no folders, and an existing file is used only
//   when it is a regular file of this user with one link (else EPERM), checked before the lock
//   and the truncation.
// - Write writes the whole buffer or throws: short writes continue, EINTR is retried, a full
//   disk or a file-size limit throws with the position advanced by what was written.
// - Every failed call throws PUNIXSystemException with errno (EIO when the system set none);
//   a path with a zero unit throws EINVAL.
#include <cstdint>

#include "core/bytes/GBuffer.h"
#include "core/text/GString.h"

class PUNIXFileImp {
public:
    enum OpenMode { kRead = 1, kWrite = 2, kCreate = 4, kTruncate = 8, kShareRead = 16, kShareWrite = 32, kOwnFile = 64 };

    PUNIXFileImp();
    // Closes a descriptor still open, quietly.
    virtual ~PUNIXFileImp();
    PUNIXFileImp(const PUNIXFileImp&) = delete;
    PUNIXFileImp& operator=(const PUNIXFileImp&) = delete;

    // Supplied by the handle above.
    virtual std::int64_t GetPos() = 0;
    virtual GString GetFilePath() const = 0;
    virtual std::int64_t GetCachedPos() const = 0;
    virtual void SetCachedPos(std::int64_t position) = 0;
    virtual std::int64_t GetCachedLength() const = 0;
    virtual void SetCachedLength(std::int64_t length) = 0;
    virtual bool GetReopenWritable() const = 0;

    void Open(int mode);
    void Reopen(int mode);
    void Close();
    int Read(GBuffer& buffer, int length);
    int Write(GBuffer const& buffer);
    std::int64_t GetFilePosition() const;
    void SetFilePosition() const;
    std::int64_t GetLength() const;
    void SetRegionLocked(std::int64_t start, std::int64_t length, bool lock, bool exclusive);

    int GetFileDescriptor() const { return mFileDescriptor; }

private:
    void Advance(std::int64_t count);

    int mFileDescriptor = -1;
};
