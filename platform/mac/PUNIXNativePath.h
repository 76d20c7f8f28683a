#pragma once
// Native path text and the bytes the system calls take. The platform file-system classes take
// and give paths as GString holding the native (POSIX) path; the system wants UTF-8 bytes.
//
// Callers may rely on:
// - GetBytes fails (false, out emptied) for text with a zero unit, which the system would cut
//   short and so reach another file, and for text that cannot be written as UTF-8.
// - FromBytes keeps the UTF-8 bytes as they are (no conversion, no composing), so a listed name
//   goes back to the system unchanged.
// - IsDecodable tells whether bytes are well-formed UTF-8: names that are not cannot be
//   represented as path text and are not handed out.
#include <cstddef>
#include <string>

#include "core/text/GString.h"

class PUNIXNativePath {
public:
    PUNIXNativePath() = delete;

    static bool GetBytes(GString const& path, std::string& out);
    static GString FromBytes(char const* bytes, std::size_t n);
    static GString FromBytes(std::string const& bytes) { return FromBytes(bytes.data(), bytes.size()); }
    static bool IsDecodable(char const* bytes, std::size_t n);
    // The last component begins with "." (a trailing "/" is not a component).
    static bool IsHiddenLeaf(std::string const& path);
};
