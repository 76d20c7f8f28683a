#include "hostsdk/documents/HostDataBase.h"

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostInterfaceNames.h"

IPMUnknown* HostDataBase::Instantiate(UID uid, PMIID iid) const {
    if (HostCallLog::Enter("IDataBase::Instantiate", std::to_string(uid) + " " + HostInterfaceNames::Name(iid)))
        return nullptr;
    if (uid == kRootUID)
        return mRoot->QueryInterface(iid);
    const auto found = mObjects.find(uid);
    return found == mObjects.end() ? nullptr : found->second->QueryInterface(iid);
}
