#pragma once
// GFileBase: the framework's file handle over a platform implementation (PUNIXFileImp here). It
// keeps the path, the open mode, a cached position and length (-1: unknown) and a mutex, so that
// streams sharing one handle (clones of an input stream) each keep their own position and put
// the handle there before they read.
//
// Callers may rely on:
// - A new handle is closed, at position 0, with its length unknown. Open it with Open(mode)
//   after SetOpenMode(mode); the mode bits are those of the implementation (1 read, 2 write,
//   4 create, 8 truncate, 16 and 32 share).
// - MoveTo sets the position a later Read or Write starts from; the descriptor is moved only
//   then, and only when it stands elsewhere.
// - Read empties the buffer and returns the bytes read (0 at the end or for a count below 1);
//   Write writes the whole buffer or throws, and returns its length (0 for an empty buffer).
//   Failures of the system throw PUNIXSystemException.
// - GetLength leaves a cached position (and so a pending MoveTo) as it was.
// - The destructor closes the descriptor quietly; a handle made with deleteOnClose then removes
//   its file, a failure to remove being dropped.
// - The mutex is held in a shared pointer: a locker (GFileMutexLockerBase) may keep it past the
//   handle's end, which is what lets the last of several streams delete the handle under it.
#include <cstdint>
#include <memory>

#include "core/base/PUNIXMutexImp.h"
#include "core/bytes/GBuffer.h"
#include "core/text/GString.h"
#include "mac/filesystem/PUNIXFileImp.h"
#include "services/paths/GPathName.h"

template <class Imp>
class GFileBase : public Imp {
public:
    GFileBase(GPathName const& path, bool deleteOnClose);
    ~GFileBase() override;

    // The operations the implementation asks of the handle.
    std::int64_t GetPos() override;
    GString GetFilePath() const override { return mPath.GetNativePathString(); }
    std::int64_t GetCachedPos() const override { return mCachedPos; }
    void SetCachedPos(std::int64_t position) override { mCachedPos = position; }
    std::int64_t GetCachedLength() const override { return mCachedLength; }
    void SetCachedLength(std::int64_t length) override { mCachedLength = length; }
    bool GetReopenWritable() const override { return mReopenWritable; }
    virtual bool GetIsOpen() const { return mIsOpen; }
    virtual void SetIsOpen(bool open) { mIsOpen = open; }

    GPathName const& GetPath() const { return mPath; }
    int GetOpenMode() const { return mOpenMode; }
    void SetOpenMode(int mode) { mOpenMode = mode; }
    // The next Write reopens the file in the stored mode first.
    void SetReopenWritable(bool reopen) { mReopenWritable = reopen; }
    bool GetPositionDirty() const { return mPositionDirty; }
    std::shared_ptr<PUNIXMutexImp> const& GetMutex() const { return mMutex; }

    // The next read or write starts at position.
    void MoveTo(std::int64_t position);
    int Read(GBuffer& buffer, int count);
    int Write(GBuffer const& buffer);
    std::int64_t GetLength() const;

private:
    void ApplyPosition();

    GPathName mPath;
    bool mReopenWritable = false;
    int mOpenMode = 0;
    bool mDeleteOnClose;
    bool mIsOpen = false;
    bool mPositionDirty = false;
    std::int64_t mCachedPos = 0;
    std::int64_t mCachedLength = -1;
    std::shared_ptr<PUNIXMutexImp> mMutex;
};

extern template class GFileBase<PUNIXFileImp>;
