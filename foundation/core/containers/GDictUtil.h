#pragma once
// Slot counts of GDict: primes chosen so that a dictionary of n keys stays below three quarters full.
#include <cstdint>

#include "core/base/GException.h"

class GDictUtil {
public:
    static constexpr int32_t sPrime[40] = {
        7,     13,    23,    41,    67,    89,    127,   173,    263,    307,    389,     467,     587,     751,
        937,   1091,  1367,  1709,  2131,  2663,  3329,  4177,   5471,   8219,   10949,   13691,   16433,   19181,
        21911, 27407, 32887, 38371, 43853, 87701, 175433, 350843, 701653, 1403309, 2806597, 5613217};

    // The slot count for room for n keys: 7 below 6 keys, else the first prime past 4n/3 (beyond
    // the table, its last prime doubled). Throws GMemoryException when that exceeds 32 bits.
    static int GetAllocation(int n) {
        if (n < 6)
            return sPrime[0];
        const int64_t t = (4 * static_cast<int64_t>(n)) / 3;
        for (int i = 1; i < 40; ++i) {
            if (sPrime[i] > t)
                return sPrime[i];
        }
        int64_t allocation = sPrime[39];
        while (allocation <= t)
            allocation *= 2;
        if (allocation > INT32_MAX)
            throw GMemoryException();
        return static_cast<int>(allocation);
    }
};
