#pragma once
// PMacColonPath: the colon form of a path ("Volume:folder:file") and the portable form, which on
// this platform is the POSIX form. The volume is its display name on the colon side and its
// mount folder on the other (PMacPathNameImpBase's volume look-ups); a "/" inside a name is
// written ":" in the portable form. A relative colon path begins with ":" and an empty element
// ("::") goes up a folder, as ".." does in the portable form.
//
// Callers may rely on: both conversions are pure text work on the names (nothing on disk is
// asked besides the mount table), an empty path gives an empty path, and a path converted one
// way and back names the same folder or file.
#include "core/text/GString.h"

class PMacColonPath {
public:
    PMacColonPath() = delete;

    static GString FromPortable(GString const& portable);
    static GString ToPortable(GString const& colon);
};
