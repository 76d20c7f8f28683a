#pragma once
// The text as the escape reader gives it back: every line end (CR, LF, CR LF, LF CR) a lone CR.
#include <cstddef>

template <class String>
String LineEndsAsCR(String const& text) {
    String out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = text[i];
        if (c != '\r' && c != '\n') {
            out += c;
            continue;
        }
        out += '\r';
        if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != c)
            ++i;
    }
    return out;
}
