#include "services/filesystem/GFileSystemIterator.h"

const GFileSystemIterator GFileSystemIterator::cEnd;

GFileSystemIterator::GFileSystemIterator() = default;

GFileSystemIterator::GFileSystemIterator(GPathName const& folder, int listMask, int descendMask) {
    if (BeginIterate(folder.GetNativePathString(), listMask, descendMask))
        FetchNext();
}

GFileSystemIterator::~GFileSystemIterator() {
    EndIterate();
}

GFileSystemIterator& GFileSystemIterator::operator++() {
    if (mCurrent != nullptr)
        FetchNext();
    return *this;
}

void GFileSystemIterator::FetchNext() {
    GString native;
    if (!GetNextFileOrFolder(native)) {
        EndIterate();
        mCurrent.reset();
        return;
    }
    if (mCurrent == nullptr)
        mCurrent = std::make_unique<GPathName>();
    mCurrent->SetMachOPathString(native);
}

bool GFileSystemIterator::operator==(GFileSystemIterator const& other) const {
    if (mCurrent == nullptr || other.mCurrent == nullptr)
        return mCurrent == nullptr && other.mCurrent == nullptr;
    return *mCurrent == *other.mCurrent && GetSearchState() == other.GetSearchState();
}
