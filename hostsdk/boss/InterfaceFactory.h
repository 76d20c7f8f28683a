#pragma once
// The factory record of one implementation class T (derived from CPMUnknown<I>), as a static
// object of the plug-in: built when the library is loaded, it announces its record to the host,
// which registers it after GetPlugIn; it withdraws the record when the library is unloaded.
#include "hostsdk/boss/InterfaceFactoryRecord.h"
#include "hostsdk/boss/InterfaceFactoryRegistry.h"

template <class T>
class InterfaceFactory {
public:
    explicit InterfaceFactory(ImplementationID implementation)
        : mRecord{implementation, &Create, &Destroy, &SizeOf} {
        InterfaceFactoryRegistry::Announce(&mRecord);
    }
    InterfaceFactory(const InterfaceFactory&) = delete;
    InterfaceFactory& operator=(const InterfaceFactory&) = delete;
    ~InterfaceFactory() { InterfaceFactoryRegistry::Withdraw(&mRecord); }

    const InterfaceFactoryRecord& Record() const { return mRecord; }

private:
    static IPMUnknown* Create(IPMUnknown* boss) { return new T(boss); }
    static void Destroy(IPMUnknown* object) { delete static_cast<T*>(object); }
    static std::size_t SizeOf() { return sizeof(T); }

    InterfaceFactoryRecord mRecord;
};
