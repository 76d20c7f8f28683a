#pragma once
// GFileTypeImp: the platform object that names kinds of file the registry does not know, so that
// types created on the fly get a description. None is installed on this platform; GFileType owns
// the one installed (GFileType::SetFileTypeImp).
#include <cstdint>

#include "core/text/GString.h"

class GFileTypeImp {
public:
    GFileTypeImp() = default;
    GFileTypeImp(const GFileTypeImp&) = delete;
    GFileTypeImp& operator=(const GFileTypeImp&) = delete;
    virtual ~GFileTypeImp() = default;

    // Empty when the platform knows no description.
    virtual GString GetDescriptionForExtension(const GString& extension) const = 0;
    // The codes as big-endian 32-bit numbers ("TEXT" is 0x54455854).
    virtual GString GetDescriptionForCreatorAndType(uint32_t creator, uint32_t type) const = 0;
};
