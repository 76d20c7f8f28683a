#include "hostsdk/documents/HostBookContent.h"

#include "hostsdk/trace/HostCallLog.h"

IDFile HostBookContent::GetContentFile() const {
    if (HostCallLog::Enter("IBookContent::GetContentFile", "\"" + mFile + "\""))
        return IDFile();
    return IDFile(PMString(mFile));
}
