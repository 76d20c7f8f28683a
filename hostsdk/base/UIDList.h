#pragma once
// An ordered list of object IDs inside one host database (a document's or a book's).
#include <cstdint>
#include <vector>

#include "hostsdk/base/HostTypes.h"

class IDataBase;

class UIDList {
public:
    explicit UIDList(IDataBase* database = nullptr) : mDataBase(database) {}

    IDataBase* GetDataBase() const { return mDataBase; }
    std::int32_t Length() const { return static_cast<std::int32_t>(mIDs.size()); }
    bool IsEmpty() const { return mIDs.empty(); }
    void Append(UID id) { mIDs.push_back(id); }
    // The ID at `index`; 0 (no object) outside the list.
    UID At(std::int32_t index) const;
    void Clear() { mIDs.clear(); }

private:
    IDataBase* mDataBase;
    std::vector<UID> mIDs;
};
