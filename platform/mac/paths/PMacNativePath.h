#pragma once
// PMacNativePath: path text to the bytes the system calls take and back. The platform takes
// paths as UTF-8; a text holding U+0000 or a lone surrogate has no UTF-8 form, and bytes that
// are not well-formed UTF-8 (or would decode to such a text) have no text form. Both are "bad
// names" to the file-system layer, so a path that cannot make the round trip is never used: a
// zero byte would cut the path short and reach another file.
//
// Callers may rely on: the units of the text are written as they stand (not composed or
// decomposed), so a name read from a folder names the same file when handed back. A text held
// in UTF-8 is checked and copied, not converted.
#include <cstddef>
#include <string>

#include "core/text/GString.h"

class PMacNativePath {
public:
    PMacNativePath() = delete;

    // False (out emptied) when the text has no UTF-8 form; an empty text is empty bytes.
    static bool ToUTF8(GString const& text, std::string& out);
    // The bytes a file-system call takes for a path: false (out emptied) when the text has no
    // UTF-8 form or is empty, which names no item.
    static bool ToPathBytes(GString const& text, std::string& out) { return ToUTF8(text, out) && !out.empty(); }
    // False (out cleared) when the bytes are no well-formed UTF-8 of a text ToUTF8 accepts.
    static bool FromUTF8(std::string const& bytes, GString& out) { return FromUTF8(bytes.data(), bytes.size(), out); }
    static bool FromUTF8(char const* bytes, std::size_t n, GString& out);
    // The UTF-16 units of the bytes appended to units, under FromUTF8's rules; false leaves
    // units as they were. For joining many names to one decoded folder.
    static bool AppendUnits(char const* bytes, std::size_t n, std::u16string& units);
};
