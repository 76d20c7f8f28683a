#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "core/base/GException.h"
#include "core/streams/GHexDecode.h"
#include "core/streams/GHexEncode.h"
#include "core/streams/GMemoryInStream.h"
#include "core/support/GBufferSupport.h"
#include "core/support/GHexSupport.h"
#include "core/support/GStreamSupport.h"
#include "support/TestStreams.h"

namespace {

std::string EveryByteValueTwice() {
    std::string bytes;
    for (int round = 0; round < 2; ++round)
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    return bytes;
}

} // namespace

TEST(GHexSupport, SetToHexBufferAppendsLowerCaseDigits) {
    GBuffer out("x:");
    GHexSupport::SetToHexBuffer(TestBuffer(std::string("\x00\xFF\x10\xAB", 4)), out);
    EXPECT_EQ(TestText(out), "x:00ff10ab");
    GHexSupport::SetToHexBuffer(GBuffer(), out);
    EXPECT_EQ(TestText(out), "x:00ff10ab");
}

TEST(GHexSupport, SetFromHexBufferAppendsAsTheDecoderDelivers) {
    struct Case {
        char const* text;
        std::string bytes;
    };
    for (Case const& c : {Case{"0 0f\nF>", std::string("\x00\xFF", 2)}, Case{"7>", "\x70"}, Case{"414", "A@"},
                          Case{"41>zz", "A"}, Case{"", ""}, Case{">", ""}}) {
        SCOPED_TRACE(c.text);
        GBuffer out("x:");
        GHexSupport::SetFromHexBuffer(GBuffer(c.text), out);
        EXPECT_EQ(TestText(out), "x:" + c.bytes);
    }
}

TEST(GHexSupport, SetFromHexBufferThrowsOnInvalidText) {
    GBuffer out("x:");
    try {
        GHexSupport::SetFromHexBuffer(GBuffer("4142 4g"), out);
        ADD_FAILURE() << "no exception";
    } catch (GException const& e) {
        EXPECT_EQ(e.GetExceptionID(), 2452);
    }
    EXPECT_EQ(TestText(out), "x:AB");
}

TEST(GHexSupport, SourceAndTargetMayBeOneBuffer) {
    GBuffer b("AB");
    GHexSupport::SetToHexBuffer(b, b);
    EXPECT_EQ(TestText(b), "AB4142");
    GBuffer h("4142");
    GHexSupport::SetFromHexBuffer(h, h);
    EXPECT_EQ(TestText(h), "4142AB");
}

// The one-call forms and the stream filters give the same text and bytes.
TEST(GHexSupport, RoundTripsEveryByteValueLikeTheFilters) {
    GBuffer const bytes = TestBuffer(EveryByteValueTwice());
    GBuffer hex;
    GHexSupport::SetToHexBuffer(bytes, hex);

    GBuffer streamed;
    GHexEncode encoder(new GMemoryInStream(bytes), false);
    GStreamSupport::GetContent(encoder, streamed);
    EXPECT_EQ(TestText(hex), TestText(streamed));

    GBuffer back;
    GHexSupport::SetFromHexBuffer(hex, back);
    EXPECT_EQ(TestText(back), TestText(bytes));

    GBuffer upper = TestBuffer(TestText(hex));
    for (unsigned char* p = upper.GetWritePtr(); *p != 0; ++p)
        *p = static_cast<unsigned char>(std::toupper(*p));
    GBuffer fromUpper;
    GHexSupport::SetFromHexBuffer(upper, fromUpper);
    EXPECT_EQ(TestText(fromUpper), TestText(bytes));
}

TEST(GHexSupport, SetFromHexArrayDecodesPairsAndEscapes) {
    struct Case {
        char const* name;
        char const* hex;
        int length;
        std::string bytes;
    };
    Case const cases[] = {
        {"backslash t", "5c74", 4, "\t"},
        {"backslash n", "5C6E", 4, "\r"},
        {"0x80 and 0xA5 escape too", "806ea574", 8, "\r\t"},
        {"an escaped backslash is not an escape", "5c5c74", 6, "\\\t"},
        {"t after a t", "5c7474", 6, "\tt"},
        {"escape at the end", "415c", 4, "A\\"},
        {"t and n without escape", "74416e", 6, "tAn"},
        {"both cases", "4a4B", 4, "JK"},
        {"other characters count as f", "4g z >", 6, "\x4F\xFF\xFF"},
        {"odd length completes the last digit with 0", "4142", 3, "A@"},
        {"single digit", "7", 1, "\x70"},
        {"length 0", "41", 0, ""},
        {"negative length", "41", -2, ""},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        GBuffer out("stale");
        GHexSupport::SetFromHexArray(reinterpret_cast<unsigned char const*>(c.hex), c.length, out);
        EXPECT_EQ(TestText(out), c.bytes);
    }
    GBuffer out("stale");
    GHexSupport::SetFromHexArray(nullptr, 4, out);
    EXPECT_TRUE(out.IsEmpty());
}

TEST(GHexSupport, SetFromHexArrayWritesThePlatformLineEnd) {
    struct Case {
        bool cr, lf;
        std::string bytes;
    };
    for (Case const& c : {Case{true, true, "a\r\nb"}, Case{false, true, "a\nb"}, Case{false, false, "ab"}}) {
        SCOPED_TRACE(testing::Message() << c.cr << c.lf);
        GBufferSupport::SetLineEnding(c.cr, c.lf);
        GBuffer out;
        GHexSupport::SetFromHexArray(reinterpret_cast<unsigned char const*>("615c6e62"), 8, out);
        EXPECT_EQ(TestText(out), c.bytes);
    }
    GBufferSupport::SetLineEnding(true, false);
}

TEST(GHexSupport, SetFromHexArrayMayReadTheBufferItReplaces) {
    GBuffer b("4142");
    GHexSupport::SetFromHexArray(b.GetPtr(), b.GetLength(), b);
    EXPECT_EQ(TestText(b), "AB");
}

TEST(GHexSupport, SetFromHexArrayRoundTripsEveryByteValueWithoutEscapes) {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        if (b != 0x5C && b != 0x80 && b != 0xA5)
            bytes += static_cast<char>(b);
    GBuffer hex;
    GHexSupport::SetToHexBuffer(TestBuffer(bytes), hex);
    GBuffer back;
    GHexSupport::SetFromHexArray(hex.GetPtr(), hex.GetLength(), back);
    EXPECT_EQ(TestText(back), bytes);
}
