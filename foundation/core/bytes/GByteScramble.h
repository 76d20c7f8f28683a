#pragma once
// GByteScramble: the system's byte scramble, a fixed mapping of each byte by itself that keeps
// the length: exclusive or with cXorKey, then cAddKey added modulo 256. DeScramble undoes it.
// It hides short texts (preference values, stored passwords) from a casual look; it is not
// encryption.
//
// The two keys are part of the stored format: every text scrambled and kept in a file reads back
// only with these same values. Never change them.
#include <cstdint>

class GByteScramble {
public:
    static constexpr std::uint8_t cXorKey = 0x5C;
    static constexpr std::uint8_t cAddKey = 0xA3;

    static constexpr unsigned char Scramble(unsigned char byte) {
        return static_cast<unsigned char>((byte ^ cXorKey) + cAddKey);
    }
    static constexpr unsigned char DeScramble(unsigned char byte) {
        return static_cast<unsigned char>(static_cast<unsigned char>(byte - cAddKey) ^ cXorKey);
    }

    static void Scramble(unsigned char* bytes, int n) {
        for (int i = 0; i < n; ++i)
            bytes[i] = Scramble(bytes[i]);
    }
    static void DeScramble(unsigned char* bytes, int n) {
        for (int i = 0; i < n; ++i)
            bytes[i] = DeScramble(bytes[i]);
    }
};
