#include "core/text/GName.h"

#include <cstring>
#include <memory>

#include "core/base/GMutexLocker.h"

GName::NamesDictWithMutex::NamesDictWithMutex() : mDict(5) {}

GName::NamesDictWithMutex::~NamesDictWithMutex() {
    try {
        GMutexLocker lock(mMutex);
        for (int slot = 0; slot < mDict.GetAllocation(); ++slot) {
            if (mDict.IsSlotUsed(slot))
                delete mDict.GetValueAt(slot);
        }
        // The keys borrowed the records' bytes: drop them before anything could read them.
        mDict.RemoveAll();
    } catch (...) {
        // Process exit: nothing can be done about a failure to give memory back.
    }
}

GName::GName(char const* text) : mData(nullptr) {
    GBuffer borrowed;
    borrowed.SetFromStatic(text);
    SetBuffer(borrowed);
}

GName::GName(GBuffer const& name) : mData(nullptr) { SetBuffer(name); }

void GName::SetBuffer(GBuffer const& name) {
    if (mData != nullptr && mData->mName == name)
        return;
    mData = name.IsEmpty() ? nullptr : Intern(name);
}

char const* GName::GetCString() const {
    return mData == nullptr ? "" : reinterpret_cast<char const*>(mData->mName.GetPtr());
}

GName::NamesDictWithMutex& GName::GetNamesDictAndMutex() {
    static NamesDictWithMutex table;
    return table;
}

GDict<GBuffer, GName::NameData*>& GName::GetNameValues() { return GetNamesDictAndMutex().mDict; }

GName::NameData* GName::Intern(GBuffer const& name) {
    NamesDictWithMutex& table = GetNamesDictAndMutex();
    GMutexLocker lock(table.mMutex);
    int slot = 0;
    if (table.mDict.GetExistingIndex(name, slot))
        return table.mDict.GetValueAt(slot);

    // The record copies the bytes: the caller's may be a temporary or a borrowed literal.
    const int length = name.GetLength();
    auto record = std::make_unique<NameData>();
    record->mBytes.reset(new unsigned char[static_cast<std::size_t>(length) + 1]);
    std::memcpy(record->mBytes.get(), name.GetPtr(), static_cast<std::size_t>(length));
    record->mBytes[length] = 0;
    char const* bytes = reinterpret_cast<char const*>(record->mBytes.get());
    record->mName.SetFromStatic(bytes, length, length + 1);
    record->mHash = record->mName.GetHash();
    GBuffer key;
    key.SetFromStatic(bytes, length, length + 1);
    table.mDict.Put(key, record.get());
    return record.release();
}
