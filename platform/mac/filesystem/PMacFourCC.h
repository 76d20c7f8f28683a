#pragma once
// PMacFourCC: the four-character codes of the file manager (creator and type codes, the kinds of
// special folders) as the numbers it takes: the first character in the highest byte.
#include <cstdint>

class PMacFourCC {
public:
    PMacFourCC() = delete;

    static constexpr uint32_t Of(char const (&code)[5]) {
        return (static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
               (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
               (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
               static_cast<uint32_t>(static_cast<unsigned char>(code[3]));
    }
};
