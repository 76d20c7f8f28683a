#pragma once
// The host's implementation of ISysFileData.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/commands/ISysFileData.h"

class HostSysFileData : public CPMUnknown<ISysFileData> {
public:
    explicit HostSysFileData(IPMUnknown* boss) : CPMUnknown<ISysFileData>(boss) {}

    void Set(const IDFile& file) override;
    IDFile GetSysFile() const override { return mFile; }

private:
    IDFile mFile;
};
