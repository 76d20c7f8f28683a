#pragma once
// The measurement-unit preference: the unit of lengths that the user chose.
#include "hostsdk/base/IPMUnknown.h"

class IMeasurementUnitPrefs : public IPMUnknown {
public:
    static constexpr PMIID kDefaultIID = 0x1202;
    static constexpr const char* kInterfaceName = "IMeasurementUnitPrefs";

    // The class ID of the unit, from 0x1201 (points) on.
    virtual ClassID GetUnitClass() const = 0;
};
