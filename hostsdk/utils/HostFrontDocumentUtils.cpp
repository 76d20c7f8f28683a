#include "hostsdk/utils/HostFrontDocumentUtils.h"

#include "hostsdk/base/InterfaceCast.h"
#include "hostsdk/trace/HostCallLog.h"

IDocument* HostFrontDocumentUtils::QueryFrontDocument() const {
    if (HostCallLog::Enter("IFrontDocumentUtils::QueryFrontDocument"))
        return nullptr;
    const IPMUnknown* front = mDocuments.FrontDocument();
    if (front == nullptr)
        return nullptr;
    return InterfaceCast<IDocument>(front->QueryInterface(IDocument::kDefaultIID));
}
