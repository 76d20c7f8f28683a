#include "hostsdk/documents/HostDocument.h"

#include "hostsdk/trace/HostCallLog.h"

PMString HostDocument::GetName() const {
    if (HostCallLog::Enter("IDocument::GetName", "\"" + mRecord->name + "\""))
        return PMString();
    return PMString(mRecord->name);
}

bool16 HostDocument::IsSaved() const {
    if (HostCallLog::Enter("IDocument::IsSaved", "\"" + mRecord->name + "\""))
        return false;
    return mRecord->saved;
}

IDataBase* HostDocument::GetDocDataBase() const {
    if (HostCallLog::Enter("IDocument::GetDocDataBase", "\"" + mRecord->name + "\""))
        return nullptr;
    return &mDataBase;
}
