#pragma once
// The bytes the system calls take for a path: its native string in UTF-8.
#include <string>

#include "core/text/encodings/GUTF8Encoding.h"
#include "services/paths/GPathName.h"

inline std::string NativePathBytes(GPathName const& path) {
    GBuffer const bytes = path.GetNativePathString().GetBuffer(GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<size_t>(bytes.GetLength()));
}
