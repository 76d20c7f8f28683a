#pragma once
// The host's preferences of a context, by interface: counted, null when there is none.
#include "hostsdk/base/InterfaceCast.h"
#include "hostsdk/session/IActiveContext.h"

IPMUnknown* QueryPreferences(PMIID iid, IActiveContext* context);

template <class I>
I* QueryPreferences(IActiveContext* context) {
    return InterfaceCast<I>(QueryPreferences(I::kDefaultIID, context));
}
