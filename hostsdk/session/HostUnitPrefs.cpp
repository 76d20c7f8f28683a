#include "hostsdk/session/HostUnitPrefs.h"

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

ClassID HostUnitPrefs::GetUnitClass() const {
    if (HostCallLog::Enter("IMeasurementUnitPrefs::GetUnitClass", HostHex(mUnit)))
        return 0;
    return mUnit;
}
