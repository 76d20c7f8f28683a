#include "hostsdk/documents/HostBook.h"

#include "hostsdk/documents/HostDocumentFile.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

HostBook* HostBook::Of(const IPMUnknown* object) {
    if (object == nullptr)
        return nullptr;
    IPMUnknown* book = object->QueryInterface(IBook::kDefaultIID);
    if (book == nullptr)
        return nullptr;
    book->Release();
    return dynamic_cast<HostBook*>(book);
}

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

bool16 HostBook::IsModified() const {
    if (HostCallLog::Enter("IBook::IsModified", "\"" + mRecord->name + "\""))
        return false;
    return mRecord->modified;
}

ErrorCode HostBook::Save(const IDFile& file) {
    if (HostCallLog::Enter("IBook::Save", HostQuote(file.GetString())))
        return kFailure;
    HostBookRecord saved = *mRecord;
    saved.modified = false;
    std::string error;
    if (!HostDocumentFile::WriteFile(file.GetString().GetUTF8String(), HostDocumentFile::FormatBook(saved), error)) {
        HostCallLog::Notice("book \"" + mRecord->name + "\" not saved: " + error);
        return kFailure;
    }
    mRecord->modified = false;
    HostCallLog::Notice("book \"" + mRecord->name + "\" saved to " + HostQuote(file.GetString()));
    return kSuccess;
}
