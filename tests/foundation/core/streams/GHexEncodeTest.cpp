#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "core/streams/GHexEncode.h"
#include "core/streams/GMemoryInStream.h"
#include "support/TestStreams.h"

namespace {

std::string Hex(std::string const& bytes) {
    static char const digits[] = "0123456789abcdef";
    std::string s;
    for (unsigned char c : bytes) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

// Reads with count until the stream ends.
std::string ReadAll(GInStream& in, int count) {
    std::string text;
    GBuffer chunk;
    for (int n; (n = in.Read(chunk, count)) > 0;) {
        EXPECT_EQ(n, chunk.GetLength());
        EXPECT_LE(n, count);
        text += TestText(chunk);
    }
    EXPECT_TRUE(chunk.IsEmpty());
    return text;
}

struct ReadStep {
    int count;
    int result;
    std::string text;
};

struct EncodeCase {
    char const* name;
    std::string input;
    bool marker;
    std::vector<ReadStep> steps;
};

} // namespace

TEST(GHexEncode, ReadsDeliverDigitsHeldBackDigitsAndTheMarker) {
    std::string const bytes("\x00\xFF\x10", 3);
    std::vector<EncodeCase> const cases = {
        {"all at once", bytes, true, {{7, 7, "00ff10>"}, {7, -1, ""}}},
        {"held-back digit first", bytes, false, {{3, 3, "00f"}, {3, 3, "f10"}, {3, -1, ""}}},
        {"marker in a read of its own", bytes, true, {{6, 6, "00ff10"}, {6, 1, ">"}, {6, -1, ""}}},
        {"one character at a time", bytes, true,
         {{1, 1, "0"}, {1, 1, "0"}, {1, 1, "f"}, {1, 1, "f"}, {1, 1, "1"}, {1, 1, "0"}, {1, 1, ">"}, {1, -1, ""}}},
        {"odd then even", bytes, true, {{1, 1, "0"}, {2, 2, "0f"}, {4, 4, "f10>"}, {1, -1, ""}}},
        {"more than there is", bytes, false, {{100, 6, "00ff10"}, {100, -1, ""}}},
        {"empty input with marker", "", true, {{5, 1, ">"}, {5, -1, ""}}},
        {"empty input without marker", "", false, {{5, -1, ""}, {5, -1, ""}}},
        {"count 0 reads nothing", bytes, true, {{0, -1, ""}, {-3, -1, ""}, {7, 7, "00ff10>"}}},
        {"count 0 keeps the held-back digit", bytes, false, {{1, 1, "0"}, {0, -1, ""}, {INT_MIN, -1, ""}, {9, 5, "0ff10"}}},
        {"huge count", bytes, true, {{INT_MAX, 7, "00ff10>"}, {INT_MAX, -1, ""}}},
    };
    for (EncodeCase const& c : cases) {
        SCOPED_TRACE(c.name);
        GBuffer const data = TestBuffer(c.input);
        GMemoryInStream inner(data);
        GHexEncode encoder(inner, c.marker);
        GBuffer out("stale");
        for (ReadStep const& step : c.steps) {
            EXPECT_EQ(encoder.Read(out, step.count), step.result);
            EXPECT_EQ(TestText(out), step.text);
        }
    }
}

// The inner stream delivers 1, 2, ..., 7 bytes per read: a short read is not its end.
TEST(GHexEncode, ReadsAnInnerStreamThatDeliversInPieces) {
    std::string const bytes = CountingBytes(300);
    for (bool marker : {false, true}) {
        for (int count = 1; count <= 40; ++count) {
            SCOPED_TRACE(testing::Message() << "marker " << marker << ", count " << count);
            GHexEncode encoder(new PiecewiseInStream(bytes), marker);
            EXPECT_EQ(ReadAll(encoder, count), Hex(bytes) + (marker ? ">" : ""));
        }
    }
}

TEST(GHexEncode, TwiceTheLengthPlusOneGivesEverythingInOneRead) {
    std::string const bytes = CountingBytes(1000);
    GHexEncode encoder(new PiecewiseInStream(bytes), true);
    GBuffer out;
    ASSERT_EQ(encoder.Read(out, 2001), 2001);
    EXPECT_EQ(TestText(out), Hex(bytes) + ">");
    EXPECT_EQ(encoder.Read(out, 2001), -1);
}

TEST(GHexEncode, EncodesEveryByteValue) {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    GHexEncode encoder(new PiecewiseInStream(bytes), false);
    std::string const text = ReadAll(encoder, 77);
    ASSERT_EQ(text.size(), 512u);
    EXPECT_EQ(text.substr(0, 8), "00010203");
    EXPECT_EQ(text.substr(20, 12), "0a0b0c0d0e0f");
    EXPECT_EQ(text.substr(504), "fcfdfeff");
    EXPECT_EQ(text, Hex(bytes));
}

// A clone that lost the held-back digit delivered "10" where "f10" was due.
TEST(GHexEncode, CloneKeepsTheHeldBackDigitAndTheEndedState) {
    GBuffer const data = TestBuffer(std::string("\x00\xFF\x10", 3));
    GMemoryInStream inner(data);
    GHexEncode encoder(inner, true);
    GBuffer out;
    ASSERT_EQ(encoder.Read(out, 3), 3);
    std::unique_ptr<GInStream> clone(encoder.CreateClone());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(ReadAll(*clone, 100), "f10>");
    EXPECT_EQ(ReadAll(encoder, 100), "f10>");

    std::unique_ptr<GInStream> ended(encoder.CreateClone());
    ASSERT_NE(ended, nullptr);
    EXPECT_EQ(ended->Read(out, 10), -1);
    ended->Reset();
    EXPECT_EQ(ReadAll(*ended, 100), "00ff10>");
}

// A clone over no inner stream would report the end at once and lose the rest.
TEST(GHexEncode, CloneFailsWhenTheInnerStreamCannotBeCloned) {
    PiecewiseInStream inner("abc");
    inner.SetCloneable(false);
    GHexEncode encoder(inner, true);
    EXPECT_EQ(encoder.CreateClone(), nullptr);
}

TEST(GHexEncode, ResetStartsOverAndDropsTheHeldBackDigit) {
    PiecewiseInStream inner(std::string("\xAB\xCD", 2));
    GHexEncode encoder(inner, true);
    GBuffer out;
    ASSERT_EQ(encoder.Read(out, 3), 3);
    EXPECT_EQ(TestText(out), "abc");
    encoder.Reset();
    EXPECT_EQ(inner.Resets(), 1);
    EXPECT_EQ(ReadAll(encoder, 100), "abcd>");
    encoder.Reset();
    EXPECT_EQ(ReadAll(encoder, 2), "abcd>");
}

TEST(GHexEncode, OwnsTheInnerStreamOnlyWhenGivenAPointer) {
    bool destroyed = false;
    {
        auto* inner = new PiecewiseInStream("x");
        inner->ReportDestructionTo(&destroyed);
        GHexEncode encoder(inner, false);
    }
    EXPECT_TRUE(destroyed);

    destroyed = false;
    PiecewiseInStream borrowed("x");
    borrowed.ReportDestructionTo(&destroyed);
    { GHexEncode encoder(borrowed, false); }
    EXPECT_FALSE(destroyed);
}

TEST(GHexEncode, NullInnerStreamReadsAsEmpty) {
    GHexEncode encoder(nullptr, true);
    EXPECT_EQ(ReadAll(encoder, 10), ">");
    std::unique_ptr<GInStream> clone(encoder.CreateClone());
    ASSERT_NE(clone, nullptr);
    GBuffer out;
    EXPECT_EQ(clone->Read(out, 10), -1);
    clone->Reset();
    EXPECT_EQ(ReadAll(*clone, 10), ">");
}

TEST(GHexEncode, SkipCountsCharacters) {
    GHexEncode encoder(new PiecewiseInStream(std::string("\x01\x23\x45", 3)), true);
    EXPECT_EQ(encoder.Skip(3), 3);
    EXPECT_EQ(ReadAll(encoder, 10), "345>");
}
