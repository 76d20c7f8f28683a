#pragma once
// GFileInStream: reads a file through a shared file handle. Clones share the handle and keep
// their own positions; each read puts the handle where its stream stands, under the handle's
// mutex, so clones may read from several threads.
//
// Callers may rely on:
// - Construction from a path opens the file for reading (mode 1, a shared lock where the file
//   system has them); a file that cannot be opened throws PUNIXSystemException.
// - Read follows GInStream: n > 0 bytes read advance the stream by n; the end gives -1 with the
//   buffer empty. Skip moves forward by at most the bytes left; SetPos does not check the length.
// - GetLength is cached in the handle after the first call (a file that grows later is not seen).
// - The streams of one handle change its share count only under the handle's mutex, so clones
//   may be made and destroyed on different threads. A GSmartPtr to the handle held outside the
//   streams is the holder's own business (GSmartPtr is not thread-safe).
#include "core/memory/GSmartPtr.h"
#include "core/streams/GInStream.h"
#include "mac/filesystem/PUNIXFileImp.h"
#include "services/files/GFileBase.h"
#include "services/paths/GPathName.h"

class GFileInStream : public GInStream {
public:
    using File = GFileBase<PUNIXFileImp>;

    explicit GFileInStream(GPathName const& path);
    explicit GFileInStream(GSmartPtr<File> const& file);
    ~GFileInStream() override;

    GInStream* CreateClone() const override;
    int Read(GBuffer& out, int count) override;
    long long Skip(long long count) override;
    void Reset() override { mPosition = 0; }
    virtual long long GetLength();

    long long GetPos() const { return mPosition; }
    void SetPos(long long position) { mPosition = position; }
    GSmartPtr<File> const& GetFile() const { return mFile; }

private:
    GFileInStream(GFileInStream const& other);

    GSmartPtr<File> mFile;
    long long mPosition = 0;
};
