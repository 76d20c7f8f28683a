#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/base/GException.h"
#include "core/streams/GHexDecode.h"
#include "core/streams/GHexEncode.h"
#include "core/streams/GMemoryInStream.h"
#include "support/TestStreams.h"

namespace {

// Reads with count until the stream ends.
std::string ReadAll(GInStream& in, int count) {
    std::string bytes;
    GBuffer chunk;
    for (int n; (n = in.Read(chunk, count)) > 0;) {
        EXPECT_EQ(n, chunk.GetLength());
        EXPECT_LE(n, count);
        bytes += TestText(chunk);
    }
    EXPECT_TRUE(chunk.IsEmpty());
    return bytes;
}

int ErrorOf(GInStream& in, int count) {
    GBuffer out;
    try {
        while (in.Read(out, count) > 0) {
        }
    } catch (GException const& e) {
        return e.GetExceptionID();
    }
    return 0;
}

struct DecodeCase {
    char const* name;
    std::string text;
    std::string bytes;  // what is delivered before the end or the error
    int error;          // 0: none
};

std::vector<DecodeCase> const& DecodeCases() {
    static std::vector<DecodeCase> const cases = {
        {"white space and both cases", "0 0f\nF>", std::string("\x00\xFF", 2), 0},
        {"odd digit before the marker", "7>", "\x70", 0},
        {"no marker", "41", "A", 0},
        {"odd digit at the end of the text", "414", "A@", 0},
        {"upper and lower case", "aBcDeF", "\xAB\xCD\xEF", 0},
        {"every white space", "\b\t\n\v\r 4\b\t\n\v\r 1 ", "A", 0},
        {"white space between the digits of a byte", "4 1", "A", 0},
        {"text after the marker is ignored", "41>zz42", "A", 0},
        {"marker alone", ">", "", 0},
        {"empty text", "", "", 0},
        {"invalid digit", "4g", "", 2452},
        {"invalid after good bytes", "4142zz", "AB", 2452},
        {"form feed is not white space", "41\f42", "A", 2452},
        {"zero byte", std::string("41\0", 3), "A", 2452},
        {"minus sign", "-1", "", 2452},
    };
    return cases;
}

} // namespace

TEST(GHexDecode, DecodesDigitsWhiteSpaceAndTheMarker) {
    for (DecodeCase const& c : DecodeCases()) {
        for (int count : {1, 2, 100}) {
            SCOPED_TRACE(testing::Message() << c.name << ", count " << count);
            GBuffer const data = TestBuffer(c.text);
            GMemoryInStream inner(data);
            GHexDecode decoder(inner);
            std::string got;
            int error = 0;
            GBuffer out;
            try {
                for (int n; (n = decoder.Read(out, count)) > 0;)
                    got += TestText(out);
            } catch (GException const& e) {
                error = e.GetExceptionID();
                got += TestText(out);  // the bytes decoded before the bad character stay in out
            }
            EXPECT_EQ(error, c.error);
            EXPECT_EQ(got, c.bytes);
        }
    }
}

TEST(GHexDecode, EndsAfterTheLastByte) {
    GBuffer const data = TestBuffer("41");
    GMemoryInStream inner(data);
    GHexDecode decoder(inner);
    GBuffer out("stale");
    EXPECT_EQ(decoder.Read(out, 5), 1);
    EXPECT_EQ(TestText(out), "A");
    EXPECT_EQ(decoder.Read(out, 5), -1);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(decoder.Read(out, 5), -1);
}

TEST(GHexDecode, CountBelowOneReadsNothing) {
    PiecewiseInStream inner("4142");
    GHexDecode decoder(inner);
    GBuffer out("stale");
    EXPECT_EQ(decoder.Read(out, 0), -1);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(decoder.Read(out, -1), -1);
    EXPECT_EQ(inner.Reads(), 0);
    EXPECT_EQ(ReadAll(decoder, 10), "AB");
}

// The filter keeps no text between reads, so it takes no more digits than the count needs.
TEST(GHexDecode, ReadsNoFurtherThanTheCountNeeds) {
    PiecewiseInStream inner("00 11\n2233>44", PiecewiseInStream::Whole());
    GHexDecode decoder(inner);
    GBuffer out;
    ASSERT_EQ(decoder.Read(out, 2), 2);
    EXPECT_EQ(TestText(out), std::string("\x00\x11", 2));
    EXPECT_EQ(inner.Position(), 5u);
    ASSERT_EQ(decoder.Read(out, 1), 1);
    EXPECT_EQ(TestText(out), "\x22");
    EXPECT_EQ(inner.Position(), 8u);
    EXPECT_EQ(ReadAll(decoder, 10), "\x33");
}

TEST(GHexDecode, ReadsAnInnerStreamThatDeliversInPieces) {
    std::string bytes = CountingBytes(300);
    std::string text;
    static char const digits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        text += digits[b >> 4];
        if (i % 5 == 0)
            text += i % 2 == 0 ? " " : "\r\n";
        text += digits[b & 15];
    }
    for (int count = 1; count <= 40; ++count) {
        SCOPED_TRACE(count);
        GHexDecode decoder(new PiecewiseInStream(text));
        EXPECT_EQ(ReadAll(decoder, count), bytes);
        GHexDecode marked(new PiecewiseInStream(text + ">ignored"));
        EXPECT_EQ(ReadAll(marked, count), bytes);
    }
}

TEST(GHexDecode, RoundTripsEveryByteValueThroughTheEncoder) {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    bytes += bytes;
    for (bool marker : {false, true}) {
        GHexDecode decoder(new GHexEncode(new PiecewiseInStream(bytes), marker));
        EXPECT_EQ(ReadAll(decoder, 33), bytes);
    }
}

TEST(GHexDecode, IsValidByteAcceptsHexDigitsOfEitherCase) {
    std::string const valid = "0123456789abcdefABCDEF";
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(GHexDecode::IsValidByte(static_cast<unsigned char>(c)), valid.find(static_cast<char>(c)) != std::string::npos);
    }
}

TEST(GHexDecode, DecodeBytesCountsOtherCharactersAsZero) {
    struct Case {
        char high, low;
        unsigned char byte;
    };
    for (Case c : {Case{'4', '1', 0x41}, Case{'a', 'F', 0xAF}, Case{'F', 'f', 0xFF}, Case{'g', '1', 0x01},
                   Case{'7', ' ', 0x70}, Case{'z', '>', 0x00}}) {
        SCOPED_TRACE(testing::Message() << c.high << c.low);
        EXPECT_EQ(GHexDecode::DecodeBytes(static_cast<unsigned char>(c.high), static_cast<unsigned char>(c.low)), c.byte);
    }
}

TEST(GHexDecode, CloneContinuesWhereTheFilterIs) {
    GBuffer const data = TestBuffer("41 42 43>");
    GMemoryInStream inner(data);
    GHexDecode decoder(inner);
    GBuffer out;
    ASSERT_EQ(decoder.Read(out, 1), 1);
    std::unique_ptr<GInStream> clone(decoder.CreateClone());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(ReadAll(*clone, 10), "BC");
    EXPECT_EQ(ReadAll(decoder, 1), "BC");

    std::unique_ptr<GInStream> ended(decoder.CreateClone());
    ASSERT_NE(ended, nullptr);
    EXPECT_EQ(ended->Read(out, 10), -1);
}

TEST(GHexDecode, CloneFailsWhenTheInnerStreamCannotBeCloned) {
    PiecewiseInStream inner("41");
    inner.SetCloneable(false);
    GHexDecode decoder(inner);
    EXPECT_EQ(decoder.CreateClone(), nullptr);
}

TEST(GHexDecode, ResetStartsOverAfterTheEnd) {
    PiecewiseInStream inner("4142>");
    GHexDecode decoder(inner);
    EXPECT_EQ(ReadAll(decoder, 10), "AB");
    decoder.Reset();
    EXPECT_EQ(inner.Resets(), 1);
    EXPECT_EQ(ReadAll(decoder, 1), "AB");
}

TEST(GHexDecode, OwnsTheInnerStreamOnlyWhenGivenAPointer) {
    bool destroyed = false;
    {
        auto* inner = new PiecewiseInStream("41");
        inner->ReportDestructionTo(&destroyed);
        GHexDecode decoder(inner);
    }
    EXPECT_TRUE(destroyed);

    destroyed = false;
    PiecewiseInStream borrowed("41");
    borrowed.ReportDestructionTo(&destroyed);
    { GHexDecode decoder(borrowed); }
    EXPECT_FALSE(destroyed);
}

TEST(GHexDecode, NullInnerStreamReadsAsEmpty) {
    GHexDecode decoder(nullptr);
    GBuffer out;
    EXPECT_EQ(decoder.Read(out, 10), -1);
    EXPECT_EQ(ErrorOf(decoder, 10), 0);
}
