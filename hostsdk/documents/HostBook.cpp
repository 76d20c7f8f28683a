#include "hostsdk/documents/HostBook.h"

#include "hostsdk/trace/HostCallLog.h"

PMString HostBook::GetName() const {
    HostCallLog::Enter("IBook::GetName", "\"" + mRecord->name + "\"");
    return PMString(mRecord->name);
}

IDFile HostBook::GetFile() const {
    HostCallLog::Enter("IBook::GetFile", "\"" + mRecord->name + "\"");
    return IDFile(PMString(mRecord->path));
}
