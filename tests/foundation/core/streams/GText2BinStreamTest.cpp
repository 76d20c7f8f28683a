#include "core/streams/GText2BinStream.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/streams/GMemoryOutStream.h"
#include "core/text/GTextEscapes.h"
#include "support/TestStreams.h"
#include "support/TextStreamTestSetup.h"

namespace {

class GText2BinStreamTest : public ::testing::Test {
protected:
    TextEncodings mEncodings;
};

TEST_F(GText2BinStreamTest, OnlyUTF16StartsWithAMark) {
    struct Case {
        char const* what;
        std::function<GEncoding const*()> encoding;
        std::string bytes;
    };
    const Case cases[] = {
        {"UTF-16", [this] { return mEncodings.Unicode(); }, std::string("\xFF\xFE" "A\0\r\0", 6)},
        {"UTF-8", [this] { return mEncodings.UTF8(); }, "A\r"},
        {"Mac Roman", [this] { return mEncodings.MacRoman(); }, "A\r"},
        {"Shift-JIS", [this] { return mEncodings.ShiftJIS(); }, "A\r"},
        {"none: the platform encoding", [] { return nullptr; }, "A\r"},
    };
    for (Case const& c : cases) {
        CollectingOutStream sink;
        {
            GText2BinStream writer(sink, c.encoding());
            EXPECT_TRUE(writer.Write("A")) << c.what;
            EXPECT_TRUE(writer.WriteEOL()) << c.what;
        }
        EXPECT_EQ(sink.Bytes(), c.bytes) << c.what;
    }
    // Made over an empty file, a UTF-16 writer has already started it.
    CollectingOutStream sink;
    GText2BinStream writer(sink, mEncodings.Unicode());
    EXPECT_EQ(sink.Bytes(), "\xFF\xFE");
    writer.SetEncoding(mEncodings.Unicode(), false);
    EXPECT_EQ(sink.Bytes(), "\xFF\xFE");
}

TEST_F(GText2BinStreamTest, TheLineEndIsCRAlone) {
    EXPECT_EQ(U(GTextEscapes::GetEOLString()), u"\r");
    EXPECT_EQ(GTextEscapes::GetEOLString().GetEncoding().Get(), mEncodings.ASCII());
}

TEST_F(GText2BinStreamTest, QuotedStringsAreEscaped) {
    struct Case {
        char const* what;
        std::u16string text;
        std::string written;
    };
    const Case cases[] = {
        {"CR LF is one escape", u"a\r\nb", "\"a\\nb\""},
        {"LF CR too", u"a\n\rb", "\"a\\nb\""},
        {"tab, quote, backslash", u"\t\"\\", "\"\\t\\\"\\\\\""},
        {"single quote as it is", u"it's", "\"it's\""},
        {"empty", u"", "\"\""},
    };
    for (Case const& c : cases) {
        CollectingOutStream sink;
        GText2BinStream writer(sink, mEncodings.UTF8());
        EXPECT_TRUE(writer.WriteQuotedString(GString(UTF16Buffer(c.text), mEncodings.Unicode()))) << c.what;
        EXPECT_EQ(sink.Bytes(), c.written) << c.what;
    }
}

// Everything written reads back the same, line ends as CR, in every encoding that holds the text.
TEST_F(GText2BinStreamTest, RoundTripsThroughTheReader) {
    struct Text {
        std::u16string written;
        std::u16string read;
    };
    const std::vector<Text> common = {
        {u"plain", u"plain"},
        {u"tab\tquote\"backslash\\single'", u"tab\tquote\"backslash\\single'"},
        {u"cr\rlf\ncrlf\r\nlfcr\n\rend", u"cr\rlf\rcrlf\rlfcr\rend"},
        {u"\\n is no line end", u"\\n is no line end"},
        {u"", u""},
        {std::u16string(700, u'\\'), std::u16string(700, u'\\')},
    };
    struct Case {
        char const* what;
        std::function<GEncoding const*()> encoding;
        std::vector<Text> extra;
    };
    const Case cases[] = {
        {"UTF-16", [this] { return mEncodings.Unicode(); }, {{u"ソ表能 \U0001F600 \u00E9 \u00A5\u0080\\\u00A5", u"ソ表能 \U0001F600 \u00E9 \u00A5\u0080\\\u00A5"}}},
        {"UTF-8", [this] { return mEncodings.UTF8(); }, {{u"ソ表能 \U0001F600 \u00E9 \u00A5\u0080\\\u00A5", u"ソ表能 \U0001F600 \u00E9 \u00A5\u0080\\\u00A5"}}},
        {"Mac Roman", [this] { return mEncodings.MacRoman(); }, {{u"caf\u00E9 \u2020 \u00A5", u"caf\u00E9 \u2020 \u00A5"}}},
        {"Shift-JIS", [this] { return mEncodings.ShiftJIS(); }, {{u"ソ\"表\\能\tソ", u"ソ\"表\\能\tソ"}, {u"\u00A5100 \\\u00A5", u"\u00A5100 \\\u00A5"}, {u"\u00A5\"\u00A5\\\u00A5\n\u00A5\t\u00A5\u00A5", u"\u00A5\"\u00A5\\\u00A5\r\u00A5\t\u00A5\u00A5"}}},
        {"ASCII", [this] { return mEncodings.ASCII(); }, {}},
    };
    for (Case const& c : cases) {
        std::vector<Text> texts = common;
        texts.insert(texts.end(), c.extra.begin(), c.extra.end());
        GBuffer bytes;
        {
            GMemoryOutStream sink(bytes);
            GText2BinStream writer(sink, c.encoding());
            for (Text const& t : texts) {
                EXPECT_TRUE(writer.Write("  token "));
                EXPECT_TRUE(writer.WriteQuotedString(GString(UTF16Buffer(t.written), mEncodings.Unicode())));
                EXPECT_TRUE(writer.WriteEOL());
                EXPECT_FALSE(writer.WasLastTextLossy()) << c.what;
            }
            EXPECT_EQ(writer.GetLossyTextCount(), 0) << c.what;
        }
        // UTF-16 is found by its mark; the others are named.
        GEncoding const* readAs = c.encoding() == mEncodings.Unicode() ? nullptr : c.encoding();
        std::unique_ptr<GBin2TextStream> reader(NewReader(BytesOf(bytes), readAs));
        for (Text const& t : texts) {
            GString word;
            EXPECT_TRUE(reader->ReadString(word)) << c.what;
            EXPECT_EQ(U(word), u"token") << c.what;
            reader->SkipWhitespace(false);
            GString value;
            EXPECT_TRUE(reader->ReadQuotedString(value)) << c.what;
            EXPECT_EQ(U(value), t.read) << c.what;
            GString rest;
            EXPECT_TRUE(reader->ReadLine(rest)) << c.what;
            EXPECT_EQ(U(rest), u"") << c.what;
        }
        GString end;
        EXPECT_FALSE(reader->ReadLine(end)) << c.what;
    }
}

// UTF-16 is written from the text's units: the bytes must be those of the quoting and the
// conversion that every other encoding goes through.
TEST_F(GText2BinStreamTest, UTF16IsWrittenAsQuotingAndConvertingWouldWriteIt) {
    const std::vector<GString> texts = {
        GString(),
        GString("plain ASCII"),
        GString(ByteBuffer(std::string("control \x01 and \0 bytes", 21)), mEncodings.ASCII()),
        GString(UTF16Buffer(u"tab\t cr\r lf\n crlf\r\n quote\" backslash\\ end"), mEncodings.Unicode()),
        GString(UTF16Buffer(u"e\u0301 \u00E9 \u65E5 \U0001F600 \xD800 lone"), mEncodings.Unicode()),
        GString(ByteBuffer("caf\x8E \"Mac Roman\""), mEncodings.MacRoman()),
        GString(ByteBuffer("ascii with \x80 high byte"), mEncodings.ASCII(), false),
        GString(ByteBuffer(std::string("odd\0x", 5)), mEncodings.Unicode(), false),
        // ASCII-held texts at the edges of the bytes that widen as they are (0x07 to 0x7F), and
        // with each escaped character, short and past a block of 16 bytes.
        GString(ByteBuffer("\x07 bell and \x7F delete"), mEncodings.ASCII()),
        GString(ByteBuffer(std::string("\x06 ack", 5)), mEncodings.ASCII()),
        GString(ByteBuffer("a\tb"), mEncodings.ASCII()),
        GString(ByteBuffer("a\nb"), mEncodings.ASCII()),
        GString(ByteBuffer("a\rb"), mEncodings.ASCII()),
        GString(ByteBuffer("a\"b"), mEncodings.ASCII()),
        GString(ByteBuffer("a\\b"), mEncodings.ASCII()),
        GString(ByteBuffer("thirty-two bytes of plain ASCII\""), mEncodings.ASCII()),
        GString(ByteBuffer("thirty-two bytes of plain ASCII\x80"), mEncodings.ASCII()),
        GString(ByteBuffer("\x08\x0B\x0C thirty-odd bytes of plain ASCII"), mEncodings.ASCII()),
    };
    for (GString const& text : texts) {
        GString quoted(text);
        GTextEscapes::QuoteString(quoted);
        const std::string expected =
            BytesOf(text.GetBuffer(mEncodings.Unicode())) + BytesOf(quoted.GetBuffer(mEncodings.Unicode()));
        CollectingOutStream sink;
        GText2BinStream writer(sink, mEncodings.Unicode());
        EXPECT_TRUE(writer.Write(text));
        EXPECT_TRUE(writer.WriteQuotedString(text));
        EXPECT_FALSE(writer.WasLastTextLossy());
        EXPECT_EQ(sink.Bytes(), "\xFF\xFE" + expected) << BytesOf(text.GetEncodedBuffer());
    }
}

// A dictionary line in one piece gives the bytes, result and lossy state of its four writes.
TEST_F(GText2BinStreamTest, APairLineIsItsFourWrites) {
    DefaultCharacterScope defaultCharacter('?');
    struct Case {
        char const* what;
        GString key;
        GString value;
    };
    const GString blank(" ");
    const Case cases[] = {
        {"ASCII", GString("key"), GString("a value of some forty characters abcdefgh")},
        {"UTF-16", GString(UTF16Buffer(u"kéy"), mEncodings.Unicode()), GString(UTF16Buffer(u"v日"), mEncodings.Unicode())},
        {"escaped value", GString("key"), GString(UTF16Buffer(u"tab\t quote\""), mEncodings.Unicode())},
        {"escaped key", GString(ByteBuffer("k\\y"), mEncodings.ASCII()), GString("v")},
        {"empty", GString(), GString()},
        {"unmapped byte", GString(ByteBuffer("k\x80"), mEncodings.ASCII()), GString("v")},
        {"Mac Roman", GString("key"), GString(ByteBuffer("caf\x8E"), mEncodings.MacRoman())},
    };
    for (GEncoding const* encoding : {mEncodings.Unicode(), mEncodings.UTF8(), mEncodings.ASCII(), mEncodings.ShiftJIS()}) {
        for (Case const& c : cases) {
            const std::string what = std::string(c.what) + " in " + BytesOf(encoding->GetASCIIDescription());
            CollectingOutStream apart;
            GText2BinStream one(apart, encoding);
            bool ok = one.WriteQuotedString(c.key);
            ok = one.Write(blank) && ok;
            ok = one.WriteQuotedString(c.value) && ok;
            ok = one.WriteEOL() && ok;
            CollectingOutStream together;
            GText2BinStream other(together, encoding);
            EXPECT_EQ(other.WriteQuotedPairLine(c.key, blank, c.value), ok) << what;
            EXPECT_EQ(together.Bytes(), apart.Bytes()) << what;
            EXPECT_EQ(other.WasLastTextLossy(), one.WasLastTextLossy()) << what;
            EXPECT_EQ(other.GetLossyTextCount(), one.GetLossyTextCount()) << what;
        }
    }
    CollectingOutStream refusing(5);
    GText2BinStream writer(refusing, mEncodings.Unicode());
    EXPECT_FALSE(writer.WriteQuotedPairLine(GString("k"), blank, GString("v")));
}

TEST_F(GText2BinStreamTest, ACharacterTheEncodingLacksDoesNotCutTheText) {
    DefaultCharacterScope defaultCharacter('?');
    // The platform code pages stop at such a character; the rest must still be written.
    GSharedObject<PMacPlatformEncoding> macRoman(new PMacPlatformEncoding(StandinStringEncoding::kMacRoman));
    struct Case {
        char const* what;
        GEncoding const* encoding;
        std::u16string text;
        std::string bytes;
    };
    const Case cases[] = {
        {"platform Mac Roman", macRoman.Get(), u"a\u65E5b\u00E9", "a?b\x8E"},
        {"Shift-JIS", mEncodings.ShiftJIS(), u"\u00E9ソ", "?\x83\x5C"},
        {"a surrogate pair is one character", macRoman.Get(), u"x\U0001F600y", "x?y"},
        {"Mac Roman table", mEncodings.MacRoman(), u"a\u65E5b", "a?b"},
    };
    for (Case const& c : cases) {
        CollectingOutStream sink;
        GText2BinStream writer(sink, c.encoding);
        EXPECT_TRUE(writer.Write(GString(UTF16Buffer(c.text), mEncodings.Unicode()))) << c.what;
        EXPECT_EQ(sink.Bytes(), c.bytes) << c.what;
        EXPECT_TRUE(writer.WasLastTextLossy()) << c.what;
        EXPECT_EQ(writer.GetLossyTextCount(), 1) << c.what;
        EXPECT_TRUE(writer.Write("ok")) << c.what;
        EXPECT_FALSE(writer.WasLastTextLossy()) << c.what;
    }
}

// Mac Japanese writes its yen sign escaped; that pass must not compose an escape letter with a
// combining mark after it ("\n" and U+0301 would become "\" and U+0144: the line end lost).
TEST_F(GText2BinStreamTest, EscapesStayApartFromCombiningMarksInMacJapanese) {
    DefaultCharacterScope defaultCharacter('?');
    CollectingOutStream sink;
    GText2BinStream writer(sink, mEncodings.ShiftJIS());
    EXPECT_TRUE(writer.WriteQuotedString(GString(UTF16Buffer(u"a\n\u0301\u00A5"), mEncodings.Unicode())));
    // The backslash is Mac Japanese's own, 0x80; 0x5C is the yen sign, written doubled.
    EXPECT_EQ(sink.Bytes(), "\"a\x80n?\x5C\x5C\"");
}

// Mac Japanese's yen sign is the byte 0x5C, which readers take for an escape: it is written
// 0x5C 0x5C, which reads back as one yen sign also where 0x5C is the only escape.
TEST_F(GText2BinStreamTest, MacJapaneseWritesTheYenSignDoubled) {
    struct Case {
        char const* what;
        std::u16string text;
        std::string body;  // between the quotes
        bool onlyYens;     // no escape but the yen signs'
    };
    const Case cases[] = {
        {"alone", u"\u00A5", "\x5C\x5C", true},
        {"two amid letters", u"a\u00A5\u00A5b", "a\x5C\x5C\x5C\x5C" "b", true},
        {"before a quote", u"\u00A5\"", "\x5C\x5C\x80\"", false},
        {"before a backslash", u"\u00A5\\", "\x5C\x5C\x80\x80", false},
        {"before a line end", u"\u00A5\r\n", "\x5C\x5C\x80n", false},
        {"after a backslash", u"\\\u00A5", "\x80\x80\x5C\x5C", false},
        {"a trail byte 0x5C is left alone", u"\u30BD", "\x83\x5C", true},
        {"a user-defined trail byte 0x5C", u"\uE01C\u00A5", "\xF0\x5C\x5C\x5C", false},
    };
    for (Case const& c : cases) {
        CollectingOutStream sink;
        GText2BinStream writer(sink, mEncodings.ShiftJIS());
        EXPECT_TRUE(writer.WriteQuotedString(GString(UTF16Buffer(c.text), mEncodings.Unicode()))) << c.what;
        EXPECT_EQ(sink.Bytes(), "\"" + c.body + "\"") << c.what;
        std::unique_ptr<GBin2TextStream> reader(NewReader(sink.Bytes(), mEncodings.ShiftJIS()));
        GString back;
        EXPECT_TRUE(reader->ReadQuotedString(back)) << c.what;
        EXPECT_EQ(U(back), c.text == u"\u00A5\r\n" ? u"\u00A5\r" : c.text) << c.what;
        if (c.onlyYens) {
            GBuffer body = ByteBuffer(c.body);
            GTextEscapes::ASCIIReplaceEscapeCodes(body, GTextEscapes::Escapes::kBackslashOnly);
            EXPECT_EQ(BytesOf(body), Bytes(c.text, mEncodings.ShiftJIS())) << c.what;
        }
    }
}

TEST_F(GText2BinStreamTest, ARefusedWriteIsReported) {
    CollectingOutStream sink(3);
    GText2BinStream writer(sink, mEncodings.UTF8());
    EXPECT_TRUE(writer.Write("ab"));
    EXPECT_FALSE(writer.Write("cd"));
    EXPECT_FALSE(writer.WriteEOL());
    EXPECT_FALSE(writer.WriteQuotedString(GString("x")));
    EXPECT_EQ(sink.Bytes(), "abc");
    EXPECT_TRUE(writer.Write(static_cast<char const*>(nullptr)));
}

TEST_F(GText2BinStreamTest, RawWritesFlushAndOwnership) {
    bool destroyed = false;
    auto* sink = new CollectingOutStream;
    sink->ReportDestructionTo(&destroyed);
    {
        GText2BinStream writer(sink, mEncodings.MacRoman());
        EXPECT_EQ(writer.Write(ByteBuffer("\x01\x02")), 2);
        writer.Flush();
        EXPECT_EQ(sink->Flushes(), 1);
        EXPECT_EQ(sink->Bytes(), "\x01\x02");
    }
    EXPECT_TRUE(destroyed);

    GText2BinStream nowhere(static_cast<GOutStream*>(nullptr), mEncodings.Unicode());
    EXPECT_FALSE(nowhere.Write("x"));
}

}  // namespace
