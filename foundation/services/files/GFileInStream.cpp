#include "services/files/GFileInStream.h"

#include <algorithm>
#include <memory>

#include "core/bytes/GBuffer.h"
#include "services/files/GFileMutexLockerBase.h"

using Locker = GFileMutexLockerBase<PUNIXFileImp>;

GFileInStream::GFileInStream(GPathName const& path) : mFile(new File(path, false)) {
    if (mFile->GetIsOpen())
        return;
    mFile->SetOpenMode(PUNIXFileImp::kRead);
    mFile->Open(PUNIXFileImp::kRead);
    mFile->SetIsOpen(true);
}

GFileInStream::GFileInStream(GSmartPtr<File> const& file) {
    if (file.Get() == nullptr)
        return;
    Locker lock(*file);
    mFile = file;
}

GFileInStream::GFileInStream(GFileInStream const& other) : GInStream(other), mPosition(other.mPosition) {
    if (other.mFile.Get() == nullptr)
        return;
    Locker lock(*other.mFile);
    mFile = other.mFile;
}

GFileInStream::~GFileInStream() {
    if (mFile.Get() == nullptr)
        return;
    try {
        // The locker keeps the mutex alive should this be the handle's last holder.
        Locker lock(*mFile);
        mFile.DecrRefCount();
    } catch (...) {
        // The mutex failed: letting go unguarded beats keeping the handle open for ever.
        mFile.DecrRefCount();
    }
}

GInStream* GFileInStream::CreateClone() const {
    return new GFileInStream(*this);
}

int GFileInStream::Read(GBuffer& out, int count) {
    if (mFile.Get() == nullptr || count <= 0) {
        out.SetLength(0);
        return -1;
    }
    Locker lock(*mFile);
    if (mFile->GetCachedPos() != mPosition)
        mFile->MoveTo(mPosition);
    const int n = mFile->Read(out, count);
    if (n <= 0)
        return -1;
    mPosition += n;
    return n;
}

long long GFileInStream::Skip(long long count) {
    if (count <= 0)
        return 0;
    // A position set beyond the end never moves the stream back.
    const long long step = std::max(0LL, std::min(count, GetLength() - mPosition));
    mPosition += step;
    return step;
}

long long GFileInStream::GetLength() {
    if (mFile.Get() == nullptr)
        return 0;
    Locker lock(*mFile);
    long long length = mFile->GetCachedLength();
    if (length == -1) {
        length = mFile->GetLength();
        mFile->SetCachedLength(length);
    }
    return length;
}
