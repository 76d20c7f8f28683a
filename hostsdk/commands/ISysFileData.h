#pragma once
// The file a command writes.
#include "hostsdk/base/IDFile.h"
#include "hostsdk/base/IPMUnknown.h"

class ISysFileData : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0xE03;
    static constexpr const char* kInterfaceName = "ISysFileData";

    virtual void Set(const IDFile& file) = 0;
    virtual IDFile GetSysFile() const = 0;
};
