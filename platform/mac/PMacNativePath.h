#pragma once
// PMacNativePath: path text to the bytes the system calls take and back. The platform takes
// paths as UTF-8; a text holding U+0000 or a lone surrogate has no UTF-8 form, and bytes that
// are not well-formed UTF-8 (or would decode to such a text) have no text form. Both are "bad
// names" to the file-system layer, so a path that cannot make the round trip is never used.
//
// Callers may rely on: the units of the text are written as they stand (not composed or
// decomposed), so a name read from a folder names the same file when handed back.
#include <string>

#include "core/text/GString.h"

class PMacNativePath {
public:
    PMacNativePath() = delete;

    // False (out emptied) when the text has no UTF-8 form; an empty text is empty bytes.
    static bool ToUTF8(GString const& text, std::string& out);
    // False (out cleared) when the bytes are no well-formed UTF-8 of a text ToUTF8 accepts.
    static bool FromUTF8(std::string const& bytes, GString& out);
};
