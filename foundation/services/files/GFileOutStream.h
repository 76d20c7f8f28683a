#pragma once
// GFileOutStream: writes a file through a file handle that it owns or borrows. Every write goes
// to the descriptor at once (Flush has nothing to do); output streams take no lock.
//
// Callers may rely on:
// - Construction from a path creates a missing file, its missing folders too, with the user's
//   umask, and opens it for writing with an exclusive lock where the file system has them.
//   Without truncation an existing file is overwritten from position 0 and keeps the bytes
//   beyond the last one written; with it the file ends at the last byte written.
// - Write writes the whole buffer and returns its length, or throws PUNIXSystemException (a
//   full disk, a file-size limit, an I/O error): no failure passes as success.
// - Skip moves the position (back as well, never before 0) and returns how far it moved; a
//   write beyond the end leaves a gap of zero bytes. Reset goes back to 0.
// - A handle handed over is put at position 0; when building the stream fails, a handle
//   handed over with its ownership is deleted before the exception passes on.
#include "core/memory/GAutoPtr.h"
#include "core/memory/GDeletePtr.h"
#include "core/streams/GOutStream.h"
#include "mac/filesystem/PUNIXFileImp.h"
#include "services/files/GFileBase.h"
#include "services/paths/GPathName.h"

class GFileOutStream : public GOutStream {
public:
    using File = GFileBase<PUNIXFileImp>;

    GFileOutStream(GPathName const& path, bool truncate);
    // Borrows the handle.
    explicit GFileOutStream(File* file);
    // Takes the handle and its ownership.
    explicit GFileOutStream(GAutoPtr<File, GDeletePtr> file);
    ~GFileOutStream() override;

    int Write(GBuffer const& data) override;
    long long Skip(long long count) override;
    void Reset() override;
    void Flush() override {}
    virtual long long GetLength();

    File* GetFile() const { return mFile; }

private:
    static void CreateMissingFile(GPathName const& path);

    File* mFile = nullptr;
    bool mOwnsFile = false;
};
