#include "hostsdk/documents/HostBook.h"

#include "hostsdk/trace/HostCallLog.h"

PMString HostBook::GetName() const {
    if (HostCallLog::Enter("IBook::GetName", "\"" + mRecord->name + "\""))
        return PMString();
    return PMString(mRecord->name);
}

IDFile HostBook::GetFile() const {
    if (HostCallLog::Enter("IBook::GetFile", "\"" + mRecord->name + "\""))
        return IDFile();
    return IDFile(PMString(mRecord->path));
}
