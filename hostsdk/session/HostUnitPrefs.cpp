#include "hostsdk/session/HostUnitPrefs.h"

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

ClassID HostUnitPrefs::GetUnitClass() const {
    HostCallLog::Enter("IMeasurementUnitPrefs::GetUnitClass", HostHex(mUnit));
    return mUnit;
}
