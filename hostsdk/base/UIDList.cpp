#include "hostsdk/base/UIDList.h"

UID UIDList::At(std::int32_t index) const {
    if (index < 0 || index >= Length())
        return 0;
    return mIDs[static_cast<std::size_t>(index)];
}
