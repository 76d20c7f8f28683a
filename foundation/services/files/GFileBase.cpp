#include "services/files/GFileBase.h"

#include "mac/filesystem/PMacFileSystemImpCocoa.h"

template <class Imp>
GFileBase<Imp>::GFileBase(GPathName const& path, bool deleteOnClose)
    : mPath(path), mDeleteOnClose(deleteOnClose), mMutex(std::make_shared<PUNIXMutexImp>()) {}

template <class Imp>
GFileBase<Imp>::~GFileBase() {
    try {
        Imp::Close();
    } catch (...) {
        // A destructor cannot report it; the descriptor is gone either way.
    }
    if (!mDeleteOnClose)
        return;
    try {
        // The platform removal directly, not the file-system facade: it returns a code and
        // removes a link itself, never its target. A failure stays silent by design.
        PMacFileSystemImpCocoa::RemoveItem(mPath.GetNativePathString(), PMacFileSystemImpCocoa::kDeleteFile);
    } catch (...) {
    }
}

template <class Imp>
std::int64_t GFileBase<Imp>::GetPos() {
    if (mCachedPos == -1)
        mCachedPos = Imp::GetFilePosition();
    return mCachedPos;
}

template <class Imp>
void GFileBase<Imp>::MoveTo(std::int64_t position) {
    if (position == mCachedPos)
        return;
    mCachedPos = position;
    mPositionDirty = true;
}

template <class Imp>
void GFileBase<Imp>::ApplyPosition() {
    if (!mPositionDirty)
        return;
    Imp::SetFilePosition();
    mPositionDirty = false;
}

template <class Imp>
int GFileBase<Imp>::Read(GBuffer& buffer, int count) {
    buffer.SetLength(0);
    if (count <= 0)
        return 0;
    ApplyPosition();
    return Imp::Read(buffer, count);
}

template <class Imp>
int GFileBase<Imp>::Write(GBuffer const& buffer) {
    if (mReopenWritable) {
        // The reopened descriptor stands at 0.
        if (mCachedPos != 0)
            mPositionDirty = true;
        mReopenWritable = false;
        Imp::Reopen(mOpenMode);
        if ((mOpenMode & PUNIXFileImp::kTruncate) != 0)
            mCachedLength = -1;
    }
    if (buffer.GetLength() == 0)
        return 0;
    ApplyPosition();
    return Imp::Write(buffer);
}

template <class Imp>
std::int64_t GFileBase<Imp>::GetLength() const {
    // Measuring forgets the cached position; keep it, since a position set with MoveTo and not
    // yet applied would otherwise be lost and the next write land where the descriptor stands.
    const std::int64_t position = mCachedPos;
    const std::int64_t length = Imp::GetLength();
    if (position != -1)
        const_cast<GFileBase*>(this)->mCachedPos = position;
    return length;
}

template class GFileBase<PUNIXFileImp>;
