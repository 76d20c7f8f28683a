#pragma once
// An object named by its database and UID.
#include "hostsdk/base/HostTypes.h"

class IDataBase;

class UIDRef {
public:
    UIDRef() = default;
    UIDRef(IDataBase* database, UID uid) : mDataBase(database), mUID(uid) {}

    IDataBase* GetDataBase() const { return mDataBase; }
    UID GetUID() const { return mUID; }

private:
    IDataBase* mDataBase = nullptr;
    UID mUID = 0;
};
