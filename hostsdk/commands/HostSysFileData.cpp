#include "hostsdk/commands/HostSysFileData.h"

#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

void HostSysFileData::Set(const IDFile& file) {
    if (HostCallLog::Enter("ISysFileData::Set", HostQuote(file.GetString())))
        return;
    mFile = file;
}
