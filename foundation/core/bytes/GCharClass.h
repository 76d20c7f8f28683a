#pragma once
// GCharClass: the character classes of the framework's texts, for bytes and UTF-16 units alike.
// White space is backspace, TAB, LF, vertical tab, CR and blank; nothing else, in any locale.
class GCharClass {
public:
    static constexpr bool IsWhiteSpace(unsigned c) { return c == 8 || c == 9 || c == 10 || c == 11 || c == 13 || c == 32; }

    GCharClass() = delete;
};
