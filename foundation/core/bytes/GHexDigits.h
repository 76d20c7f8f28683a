#pragma once
// GHexDigits: the lookup tables shared by the hex filters and GHexSupport, so that the stream
// filters and the one-call conversions agree byte for byte.
//
// Callers may rely on:
// - Encode writes lower-case digits, two per byte, high digit first.
// - Classify gives the value of a digit of either case (0 to 15), or cWhiteSpace for backspace,
//   TAB, LF, vertical tab, CR and blank, cEndMarker for ">", cInvalid for everything else.
#include <algorithm>
#include <array>
#include <cstring>

#include "core/base/GException.h"
#include "core/bytes/GBuffer.h"
#include "core/bytes/GCharClass.h"

class GHexDigits {
public:
    GHexDigits() = delete;

    static constexpr unsigned char cWhiteSpace = 16;
    static constexpr unsigned char cEndMarker = 17;
    static constexpr unsigned char cInvalid = 18;

    static unsigned char Classify(unsigned char c) { return cClasses[c]; }
    static unsigned char Digit(unsigned int nibble) { return cDigits[nibble & 15u]; }

    // out has room for 2 * n bytes.
    static void Encode(unsigned char const* bytes, int n, unsigned char* out) {
        for (int i = 0; i < n; ++i, out += 2)
            std::memcpy(out, cPairs[bytes[i]].data(), 2);
    }

    // Lengthens out by n bytes and returns where they start; the caller writes them and may
    // shorten out again. Room grows by half at least, so that repeated appends stay linear.
    // Throws GMemoryException past the largest buffer.
    static unsigned char* AppendRoom(GBuffer& out, long long n) {
        int base = out.GetLength();
        long long need = static_cast<long long>(base) + n;
        if (need > cMaxLength)
            throw GMemoryException();
        out.GetWritePtr();  // owned before it grows: borrowed bytes are never lengthened in place
        if (out.GetAllocatedLength() < need) {
            long long grown = std::max(need, static_cast<long long>(base) + base / 2);
            out.Allocate(static_cast<int>(std::min<long long>(grown, cMaxLength)));
        }
        out.SetLength(static_cast<int>(need));
        return out.GetWritePtr() + base;
    }

private:
    static constexpr long long cMaxLength = 0x7FFFFFFD;
    static constexpr char cDigits[] = "0123456789abcdef";

    static constexpr std::array<unsigned char, 256> cClasses = [] {
        std::array<unsigned char, 256> table{};
        for (int c = 0; c < 256; ++c)
            table[c] = cInvalid;
        for (int d = 0; d < 10; ++d)
            table['0' + d] = static_cast<unsigned char>(d);
        for (int d = 0; d < 6; ++d) {
            table['a' + d] = static_cast<unsigned char>(10 + d);
            table['A' + d] = static_cast<unsigned char>(10 + d);
        }
        for (int c = 0; c < 256; ++c)
            if (GCharClass::IsWhiteSpace(static_cast<unsigned char>(c)))
                table[c] = cWhiteSpace;
        table['>'] = cEndMarker;
        return table;
    }();

    static constexpr std::array<std::array<unsigned char, 2>, 256> cPairs = [] {
        std::array<std::array<unsigned char, 2>, 256> table{};
        for (int b = 0; b < 256; ++b) {
            table[b][0] = static_cast<unsigned char>(cDigits[b >> 4]);
            table[b][1] = static_cast<unsigned char>(cDigits[b & 15]);
        }
        return table;
    }();
};
