#include <gtest/gtest.h>

#include <set>

#include "core/bytes/GByteScramble.h"

TEST(GByteScramble, EveryByteValueRoundTripsAndTheMappingIsAPermutation) {
    std::set<int> images;
    for (int b = 0; b < 256; ++b) {
        unsigned char c = static_cast<unsigned char>(b);
        EXPECT_EQ(GByteScramble::DeScramble(GByteScramble::Scramble(c)), c) << b;
        EXPECT_EQ(GByteScramble::Scramble(GByteScramble::DeScramble(c)), c) << b;
        images.insert(GByteScramble::Scramble(c));
    }
    EXPECT_EQ(images.size(), 256u);
}

// Scrambled texts are stored in files: these values must never change.
TEST(GByteScramble, KeysAreFixed) {
    struct Case {
        unsigned char plain, scrambled;
    };
    Case const cases[] = {{0x00, 0xFF}, {0x41, 0xC0}, {0xFF, 0x46}, {0x5C, 0xA3}, {0x80, 0x7F}};
    for (Case const& c : cases) {
        EXPECT_EQ(GByteScramble::Scramble(c.plain), c.scrambled) << int(c.plain);
        EXPECT_EQ(GByteScramble::DeScramble(c.scrambled), c.plain) << int(c.plain);
    }
    unsigned char text[] = "Secret!";
    GByteScramble::Scramble(text, 7);
    unsigned char const expected[] = {0xB2, 0xDC, 0xE2, 0xD1, 0xDC, 0xCB, 0x20};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(text[i], expected[i]) << i;
}
