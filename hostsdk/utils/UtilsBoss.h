#pragma once
// The host's utility object: its interfaces (IFrontDocumentUtils, IModalDialogUtils,
// IShortcutUtils, IDocumentUtils, IOpenDocumentUtils, IBookUtils) offer services that belong to
// no document.
#include "hostsdk/base/IPMUnknown.h"
#include "hostsdk/base/InterfaceCast.h"

class UtilsBoss {
public:
    // The utility interface `iid`, counted; null when there is none or no host runs.
    static IPMUnknown* QueryUtils(PMIID iid);
    template <class I>
    static I* QueryUtils() {
        return InterfaceCast<I>(QueryUtils(I::kDefaultIID));
    }
};
