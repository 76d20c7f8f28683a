#include "GDictUtil.h"

#include <string>

#include "GString.h"
#include "PSystem.h"

GString GDictUtil::GetEOLString() {
    std::string eol;
    if (PSystem::GetLineEndingNeedsCR())
        eol += '\r';
    if (PSystem::GetLineEndingNeedsLF())
        eol += '\n';
    return GString(eol.c_str());
}
