#pragma once
// The host's implementation of IMeasurementUnitPrefs: the unit the host was set to.
#include "hostsdk/boss/CPMUnknown.h"
#include "hostsdk/session/IMeasurementUnitPrefs.h"

class HostUnitPrefs : public CPMUnknown<IMeasurementUnitPrefs> {
public:
    HostUnitPrefs(IPMUnknown* boss, const ClassID& unit) : CPMUnknown<IMeasurementUnitPrefs>(boss), mUnit(unit) {}

    ClassID GetUnitClass() const override;

private:
    const ClassID& mUnit;
};
