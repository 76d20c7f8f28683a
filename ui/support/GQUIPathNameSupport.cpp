#include "ui/support/GQUIPathNameSupport.h"

#include "plugin/qtstrings/GQStringSupport.h"

QString GQUIPathNameSupport::ConvertToUIQString(GPathName const& path) {
    if (path.IsEmpty())
        return QString();
    return GQStringSupport::ToQString(path.GetMachOPathString());
}

GString GQUIPathNameSupport::ConvertToUIGString(GPathName const& path) {
    if (path.IsEmpty())
        return GString();
    return path.GetMachOPathString();
}
