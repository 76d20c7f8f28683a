#pragma once
// GQUIPathNameSupport: path names as the user sees them, in their POSIX form; an empty path shows
// as an empty text, never as "/".
#include <QtCore/QString>

#include "core/text/GString.h"
#include "services/paths/GPathName.h"

class GQUIPathNameSupport {
public:
    GQUIPathNameSupport() = delete;

    static QString ConvertToUIQString(GPathName const& path);
    static GString ConvertToUIGString(GPathName const& path);
};
