#include "services/files/GFileOutStream.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "mac/filesystem/PMacFileErrors.h"
#include "mac/filesystem/PMacFileSystemImpCocoa.h"

GFileOutStream::GFileOutStream(GPathName const& path, bool truncate) {
    std::unique_ptr<File> file(new File(path, false));
    CreateMissingFile(path);
    if (!file->GetIsOpen()) {
        const int mode = PUNIXFileImp::kWrite | PUNIXFileImp::kCreate | (truncate ? PUNIXFileImp::kTruncate : 0);
        file->SetOpenMode(mode);
        file->Open(mode);
        file->SetIsOpen(true);
    }
    mFile = file.release();
    mOwnsFile = true;
}

GFileOutStream::GFileOutStream(File* file) : mFile(file) {
    if (mFile != nullptr)
        mFile->MoveTo(0);
}

GFileOutStream::GFileOutStream(GAutoPtr<File, GDeletePtr> file) : mOwnsFile(file.IsOwner()) {
    mFile = file.Release();
    if (mFile != nullptr)
        mFile->MoveTo(0);
}

GFileOutStream::~GFileOutStream() {
    if (mOwnsFile)
        delete mFile;
}

// The file is made before it is opened so that it gets the user's umask, not the handle's 0600
// for files it creates itself. This stands on the platform calls directly so that the streams
// do not need the file-system facade; the open that follows creates anything still missing
// (a race with a removal) and reports what cannot be made.
void GFileOutStream::CreateMissingFile(GPathName const& path) {
    const GString native = path.GetNativePathString();
    bool isFolder = false;
    if (PMacFileSystemImpCocoa::IsFolder(native, &isFolder) != PMacFileErrors::kFileNotFound)
        return;
    if (PMacFileSystemImpCocoa::CreateFile(native) != PMacFileErrors::kFileNotFound)
        return;
    // A missing folder on the way: make the chain from the first existing ancestor down.
    std::vector<GPathName> missing;
    for (GPathName folder = path.GetBranch(); !folder.IsEmpty();) {
        if (PMacFileSystemImpCocoa::IsFolder(folder.GetNativePathString(), &isFolder) != PMacFileErrors::kFileNotFound)
            break;
        missing.push_back(folder);
        GPathName branch = folder.GetBranch();
        if (branch == folder)  // the root is its own branch
            break;
        folder = std::move(branch);
    }
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        const int16_t result = PMacFileSystemImpCocoa::CreateFolder(folder->GetNativePathString());
        if (result != PMacFileErrors::kNoErr && result != PMacFileErrors::kDuplicate)
            return;
    }
    PMacFileSystemImpCocoa::CreateFile(native);
}

int GFileOutStream::Write(GBuffer const& data) {
    return mFile != nullptr ? mFile->Write(data) : 0;
}

long long GFileOutStream::Skip(long long count) {
    if (mFile == nullptr)
        return 0;
    const long long position = mFile->GetPos();
    const long long target = std::max(0LL, position + count);
    mFile->MoveTo(target);
    return target - position;
}

void GFileOutStream::Reset() {
    if (mFile != nullptr)
        mFile->MoveTo(0);
}

long long GFileOutStream::GetLength() {
    if (mFile == nullptr)
        return 0;
    long long length = mFile->GetCachedLength();
    if (length == -1) {
        length = mFile->GetLength();
        mFile->SetCachedLength(length);
    }
    return length;
}
