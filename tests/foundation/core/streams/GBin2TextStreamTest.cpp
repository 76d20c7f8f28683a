#include "core/streams/GBin2TextStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/streams/GBufferedInStreamDecorator.h"
#include "support/Fixtures.h"
#include "support/TestStreams.h"
#include "support/TextStreamTestSetup.h"

namespace {

// How a text reaches the reader: its bytes, and the encoding the reader is given (null: detect).
struct Form {
    char const* name;
    std::function<std::string(std::u16string const&)> bytes;
    std::function<GEncoding const*(TextEncodings const&)> encoding;
};

std::vector<Form> Forms() {
    return {
        {"UTF-16 LE with mark", [](std::u16string const& t) { return "\xFF\xFE" + UTF16LE(t); },
         [](TextEncodings const&) { return nullptr; }},
        {"UTF-16 BE with mark", [](std::u16string const& t) { return "\xFE\xFF" + UTF16BE(t); },
         [](TextEncodings const&) { return nullptr; }},
        {"UTF-16 given, no mark", [](std::u16string const& t) { return UTF16LE(t); },
         [](TextEncodings const& e) { return e.Unicode(); }},
        {"UTF-8 with mark",
         [](std::u16string const& t) { return "\xEF\xBB\xBF" + Bytes(t, GUTF8Encoding::GetInstance()); },
         [](TextEncodings const&) { return nullptr; }},
        {"Mac Roman detected", [](std::u16string const& t) { return Bytes(t, GMacRomanEncoding::GetInstance()); },
         [](TextEncodings const&) { return nullptr; }},
        {"Shift-JIS given",
         [](std::u16string const& t) {
             GSharedObject<PMacPlatformEncoding> sjis(new PMacPlatformEncoding(StandinStringEncoding::kMacJapanese));
             return Bytes(t, sjis.Get());
         },
         [](TextEncodings const& e) { return e.ShiftJIS(); }},
    };
}

// The same bytes through a memory stream, a stream of short reads and a decorator over a stream
// that delivers in pieces.
struct Source {
    char const* name;
    std::function<GBufferedInStream*(std::string const&)> make;
};

std::vector<Source> Sources() {
    return {
        {"memory", [](std::string const& b) { return new GMemoryInStream(new GBuffer(ByteBuffer(b))); }},
        {"short reads", [](std::string const& b) { return new ShortReadStream(b); }},
        {"decorated pieces",
         [](std::string const& b) { return new GBufferedInStreamDecorator(new PiecewiseInStream(b), 1024); }},
    };
}

class GBin2TextStreamTest : public ::testing::Test {
protected:
    // Runs check on a reader of text for every form and source.
    void ForEveryReader(std::u16string const& text,
                        std::function<void(GBin2TextStream&, std::string const&)> const& check) {
        for (Form const& form : Forms()) {
            for (Source const& source : Sources()) {
                GBin2TextStream reader(source.make(form.bytes(text)), form.encoding(mEncodings));
                check(reader, std::string(form.name) + ", " + source.name);
            }
        }
    }

    TextEncodings mEncodings;
};


TEST_F(GBin2TextStreamTest, DetectsTheEncodingByItsMark) {
    struct Case {
        char const* what;
        std::string bytes;
        std::function<GEncoding const*()> given;
        std::function<GEncoding const*()> expected;
        int unitSize;
        std::u16string line;
    };
    auto none = [] { return static_cast<GEncoding const*>(nullptr); };
    auto platform = [] { return static_cast<GEncoding const*>(GPlatformEncoding::GetInstance()); };
    auto unicode = [this] { return mEncodings.Unicode(); };
    auto utf8 = [this] { return mEncodings.UTF8(); };
    auto macRoman = [this] { return mEncodings.MacRoman(); };
    const Case cases[] = {
        {"FF FE", std::string("\xFF\xFE\x41\x00", 4), none, unicode, 2, u"A"},
        {"FE FF on a little-endian machine", std::string("\xFE\xFF\x00\x41\x00\x42", 6), none, unicode, 2, u"AB"},
        {"EF BB BF", "\xEF\xBB\xBF\x41", none, utf8, 1, u"A"},
        {"no mark", "\x41\x42", none, platform, 1, u"AB"},
        {"UTF-8 without mark", "\xC3\xA9", none, platform, 1, u"\u221A\u00A9"},
        {"empty", "", none, platform, 1, u""},
        {"one byte of a mark", "\xFF", none, platform, 1, u"\u02C7"},
        {"two bytes of the UTF-8 mark", "\xEF\xBB", none, platform, 1, u"\u00D4\u00AA"},
        {"UTF-16 given, FF FE", std::string("\xFF\xFE\x41\x00", 4), unicode, unicode, 2, u"A"},
        {"UTF-16 given, FE FF", std::string("\xFE\xFF\x00\x41", 4), unicode, unicode, 2, u"A"},
        {"UTF-16 given, no mark", std::string("\x41\x00", 2), unicode, unicode, 2, u"A"},
        {"UTF-8 given, its mark", "\xEF\xBB\xBF\x41", utf8, utf8, 1, u"A"},
        {"UTF-8 given, no mark", "\x41", utf8, utf8, 1, u"A"},
        {"Mac Roman given keeps EF BB BF", "\xEF\xBB\xBF", macRoman, macRoman, 1, u"\u00D4\u00AA\u00F8"},
        {"Mac Roman given keeps FF FE", "\xFF\xFE", macRoman, macRoman, 1, u"\u02C7\u02DB"},
    };
    for (Case const& c : cases) {
        for (Source const& source : Sources()) {
            GBin2TextStream reader(source.make(c.bytes), c.given());
            EXPECT_EQ(reader.GetEncoding(), c.expected()) << c.what << ", " << source.name;
            EXPECT_EQ(reader.GetUnitSize(), c.unitSize) << c.what << ", " << source.name;
            GString line;
            EXPECT_EQ(reader.ReadLine(line), !c.line.empty()) << c.what << ", " << source.name;
            EXPECT_EQ(U(line), c.line) << c.what << ", " << source.name;
        }
    }
}

TEST_F(GBin2TextStreamTest, WithoutAPlatformFactoryDetectionFallsBackToMacRoman) {
    GPlatformEncodingFactory::SetInstance(nullptr);
    std::unique_ptr<GBin2TextStream> reader(NewReader("caf\x8E", nullptr));
    EXPECT_EQ(reader->GetEncoding(), mEncodings.MacRoman());
    GString line;
    EXPECT_TRUE(reader->ReadLine(line));
    EXPECT_EQ(U(line), u"caf\u00E9");
    GPlatformEncodingFactory::SetInstance(new PMacPlatformEncodingFactory);
}

TEST_F(GBin2TextStreamTest, SetEncodingLooksForAMarkAtTheCurrentPosition) {
    std::unique_ptr<GBin2TextStream> reader(NewReader("head \xFF\xFE" + UTF16LE(u"tail"), mEncodings.MacRoman()));
    GString word;
    EXPECT_TRUE(reader->ReadString(word));
    EXPECT_EQ(U(word), u"head");
    EXPECT_EQ(reader->SkipWhitespace(true), 1);
    reader->SetEncoding(mEncodings.Unicode());
    EXPECT_EQ(reader->GetUnitSize(), 2);
    EXPECT_TRUE(reader->ReadString(word));
    EXPECT_EQ(U(word), u"tail");

    // The current encoding again: nothing is read.
    std::unique_ptr<GBin2TextStream> same(NewReader("\xEF\xBB\xBF" "a", mEncodings.MacRoman()));
    same->SetEncoding(mEncodings.MacRoman());
    EXPECT_EQ(Rest(*same), "\xEF\xBB\xBF" "a");
}

TEST_F(GBin2TextStreamTest, LineEnds) {
    const std::u16string longLine(3000, u'x');
    const std::u16string chunkLine(255, u'y');
    struct Case {
        char const* what;
        std::u16string text;
        std::vector<std::u16string> lines;
    };
    const Case cases[] = {
        {"CR LF, CR and LF", u"a\r\nb\rc\n", {u"a", u"b", u"c"}},
        {"LF CR ends a line and then an empty one", u"a\n\rb", {u"a", u"", u"b"}},
        {"empty lines", u"\r\r\n\n", {u"", u"", u""}},
        {"last line without a line end", u"one\rtwo", {u"one", u"two"}},
        {"nothing", u"", {}},
        {"blanks and tabs stay", u" \ta \r", {u" \ta "}},
        {"a line longer than a chunk", longLine + u"\r\n" + longLine, {longLine, longLine}},
        {"CR the last unit of a chunk, LF in the next", chunkLine + u"\r\nz", {chunkLine, u"z"}},
    };
    for (Case const& c : cases) {
        ForEveryReader(c.text, [&](GBin2TextStream& reader, std::string const& how) {
            std::vector<std::u16string> lines;
            GString line;
            while (lines.size() < 10 && reader.ReadLine(line))
                lines.push_back(U(line));
            EXPECT_EQ(lines, c.lines) << c.what << ", " << how;
            EXPECT_FALSE(reader.ReadLine(line)) << c.what << ", " << how;
            EXPECT_TRUE(U(line).empty()) << c.what << ", " << how;
        });
    }
}

TEST_F(GBin2TextStreamTest, TokensLeaveTheirDelimiter) {
    ForEveryReader(u"  abc def\r\n\tghi", [](GBin2TextStream& reader, std::string const& how) {
        GString word;
        EXPECT_TRUE(reader.ReadString(word)) << how;
        EXPECT_EQ(U(word), u"abc") << how;
        EXPECT_EQ(reader.SkipWhitespace(false), 1) << how;
        EXPECT_TRUE(reader.ReadString(word)) << how;
        EXPECT_EQ(U(word), u"def") << how;
        EXPECT_EQ(reader.SkipWhitespace(false), 0) << how;
        EXPECT_EQ(reader.SkipWhitespace(true), 3) << how;
        EXPECT_TRUE(reader.ReadString(word)) << how;
        EXPECT_EQ(U(word), u"ghi") << how;
        EXPECT_FALSE(reader.ReadString(word)) << how;
        EXPECT_TRUE(U(word).empty()) << how;
    });
    // The blank after the token stays in the stream.
    std::unique_ptr<GBin2TextStream> reader(NewReader("  abc def", mEncodings.MacRoman()));
    GString word;
    EXPECT_TRUE(reader->ReadString(word));
    EXPECT_EQ(Rest(*reader), " def");
}

TEST_F(GBin2TextStreamTest, SkipsAcrossChunks) {
    const std::u16string blanks = std::u16string(50, u' ') + std::u16string(50, u'\t');
    ForEveryReader(blanks + u"\r\n" + blanks + u"x", [&](GBin2TextStream& reader, std::string const& how) {
        EXPECT_EQ(reader.SkipWhitespace(false), 100) << how;
        EXPECT_EQ(reader.SkipWhitespace(true), 102) << how;
        EXPECT_EQ(reader.SkipChars(GString(u"x")), 1) << how;
        EXPECT_EQ(reader.SkipWhitespace(true), 0) << how;
    });
    ForEveryReader(u"xyxyxz", [&](GBin2TextStream& reader, std::string const& how) {
        EXPECT_EQ(reader.SkipChars(GString("yx")), 5) << how;
        GString rest;
        EXPECT_TRUE(reader.ReadLine(rest)) << how;
        EXPECT_EQ(U(rest), u"z") << how;
    });
}

TEST_F(GBin2TextStreamTest, ReadsUpToATerminator) {
    ForEveryReader(u"key=value;e=x", [](GBin2TextStream& reader, std::string const& how) {
        GString text;
        EXPECT_TRUE(reader.ReadTillTerminator(GString("=;"), text)) << how;
        EXPECT_EQ(U(text), u"key") << how;
        EXPECT_EQ(reader.SkipChars(GString("=")), 1) << how;
        EXPECT_TRUE(reader.ReadTillTerminator(GString("=;"), text)) << how;
        EXPECT_EQ(U(text), u"value") << how;
        // The terminator first: an empty text, but not the end.
        EXPECT_TRUE(reader.ReadTillTerminator(GString(";"), text)) << how;
        EXPECT_EQ(U(text), u"") << how;
        EXPECT_EQ(reader.SkipChars(GString(";")), 1) << how;
        EXPECT_TRUE(reader.ReadTillTerminator(GString(u"="), text)) << how;
        EXPECT_EQ(U(text), u"e") << how;
        EXPECT_TRUE(reader.ReadTillTerminator(GString(";"), text)) << how;
        EXPECT_EQ(U(text), u"=x") << how;
        EXPECT_FALSE(reader.ReadTillTerminator(GString(";"), text)) << how;
    });
}

TEST_F(GBin2TextStreamTest, QuotedStringsAndEveryEscape) {
    struct Case {
        char const* what;
        std::u16string text;
        bool result;
        std::u16string value;
        std::u16string after;  // what the next line read gives
    };
    const Case cases[] = {
        {"tab", u"\"x\\ty\"", true, u"x\ty", u""},
        {"line end", u"\"a\\nb\"", true, u"a\rb", u""},
        {"quote", u"\"say \\\"hi\\\"\"", true, u"say \"hi\"", u""},
        {"backslash", u"\"c:\\\\dir\"", true, u"c:\\dir", u""},
        {"single quote, escaped or not", u"\"it\\'s 'it'\"", true, u"it's 'it'", u""},
        {"any other escape keeps both", u"\"a\\qb\"", true, u"a\\qb", u""},
        {"empty", u"\"\"", true, u"", u""},
        {"literal line ends stay", u"\"a\r\nb\"", true, u"a\r\nb", u""},
        {"the rest stays in the stream", u"\"v\" rest", true, u"v", u" rest"},
        {"no closing quote", u"\"open", false, u"open", u""},
        {"a backslash last", u"\"abc\\", false, u"abc\\", u""},
        {"not at a quote", u" \"x\"", false, u"", u" \"x\""},
        {"nothing", u"", false, u"", u""},
    };
    for (Case const& c : cases) {
        ForEveryReader(c.text, [&](GBin2TextStream& reader, std::string const& how) {
            GString value;
            EXPECT_EQ(reader.ReadQuotedString(value), c.result) << c.what << ", " << how;
            EXPECT_EQ(U(value), c.value) << c.what << ", " << how;
            GString after;
            reader.ReadLine(after);
            EXPECT_EQ(U(after), c.after) << c.what << ", " << how;
        });
    }
}

TEST_F(GBin2TextStreamTest, AnEscapeSplitAcrossTheChunkBoundary) {
    // The body is read in chunks of 256 units after the opening quote: the backslash is the last
    // unit of the first chunk.
    const std::u16string head(255, u'a');
    ForEveryReader(u"\"" + head + u"\\tb\" \"" + head + u"\\\\\"", [&](GBin2TextStream& reader, std::string const& how) {
        GString value;
        EXPECT_TRUE(reader.ReadQuotedString(value)) << how;
        EXPECT_EQ(U(value), head + u"\tb") << how;
        reader.SkipWhitespace(false);
        EXPECT_TRUE(reader.ReadQuotedString(value)) << how;
        EXPECT_EQ(U(value), head + u"\\") << how;
    });
}

TEST_F(GBin2TextStreamTest, ShiftJISTrailBytesAreNoBackslash) {
    // ソ, 表 and 能 end with the byte 0x5C; the quoted strings after them must still be found.
    std::unique_ptr<GBin2TextStream> reader(NewReader(ReadFixture("ShiftJISEntries.txt"), mEncodings.ShiftJIS()));
    GString word;
    EXPECT_TRUE(reader->ReadString(word));
    EXPECT_EQ(U(word), u"#BEGINDICT");
    const std::u16string expected[] = {u"ソ", u"表", u"能", u"ソ\"x", u"表示", u"能\r表", u"after", u"more"};
    for (std::u16string const& text : expected) {
        reader->SkipWhitespace(true);
        GString value;
        EXPECT_TRUE(reader->ReadQuotedString(value)) << UTF16LE(text);
        EXPECT_EQ(U(value), text);
        EXPECT_FALSE(reader->WasLastTextLossy());
    }
    EXPECT_TRUE(reader->ReadString(word));
    EXPECT_EQ(U(word), u"#ENDDICT");
}

TEST_F(GBin2TextStreamTest, ShiftJISCharactersCutByTheChunkEnd) {
    // The lead byte of ソ is the last byte of a chunk and its trail byte 0x5C the first of the next.
    const std::u16string head(255, u'a');
    const std::string bytes = Bytes(u"\"" + head + u"ソ\" " + head + u"表\\x", mEncodings.ShiftJIS());
    for (Source const& source : Sources()) {
        GBin2TextStream reader(source.make(bytes), mEncodings.ShiftJIS());
        GString text;
        EXPECT_TRUE(reader.ReadQuotedString(text)) << source.name;
        EXPECT_EQ(U(text), head + u"ソ") << source.name;
        reader.SkipWhitespace(false);
        // The terminator is Mac Japanese's backslash (0x80), not the trail byte 0x5C of 表.
        EXPECT_TRUE(reader.ReadTillTerminator(GString("\\"), text)) << source.name;
        EXPECT_EQ(U(text), head + u"表") << source.name;
    }
}

// In Mac Japanese 0x5C is the yen sign and 0x80 the backslash; both bytes escape. 0x5C before
// the 0x80 backslash is a yen sign that its writer left as it is: the escape after it still counts.
TEST_F(GBin2TextStreamTest, MacJapaneseYenSignBeforeAnEscape) {
    struct Case {
        char const* what;
        std::string body;  // after the opening quote
        bool result;
        std::u16string value;
        std::string rest;
    };
    const Case cases[] = {
        {"before a quote", "\x5C\x80\"\"x", true, u"\u00A5\"", "x"},
        {"before a backslash", "\x5C\x80\x80\"x", true, u"\u00A5\\", "x"},
        {"before a line end", "\x5C\x80n\"", true, u"\u00A5\r", ""},
        {"before a tab", "\x5C\x80t\"", true, u"\u00A5\t", ""},
        {"before an unknown escape", "\x5C\x80q\"", true, u"\u00A5\\q", ""},
        {"two before a quote", "\x5C\x80\x5C\x80\"\"", true, u"\u00A5\u00A5\"", ""},
        {"doubled", "\x5C\x5C\"x", true, u"\u00A5", "x"},
        {"doubled, then a quote", "\x5C\x5C\x80\"\"", true, u"\u00A5\"", ""},
        {"after the other backslash", "\x80\x5C\"", true, u"\u00A5", ""},
        {"before the backslash at the end", "a\x5C\x80", false, u"a\u00A5\\", ""},
        {"0x5C still escapes a letter", "\x5Ct\"", true, u"\t", ""},
        {"a trail byte 0x5C before the backslash", "\x83\x5C\x80\"\"", true, u"\u30BD\"", ""},
        {"a user-defined trail byte 0x5C", "\xF0\x5C\"x", true, u"\uE01C", "x"},
    };
    for (Case const& c : cases) {
        for (Source const& source : Sources()) {
            GBin2TextStream reader(source.make("\"" + c.body), mEncodings.ShiftJIS());
            GString value;
            EXPECT_EQ(reader.ReadQuotedString(value), c.result) << c.what << ", " << source.name;
            EXPECT_EQ(U(value), c.value) << c.what << ", " << source.name;
            EXPECT_EQ(Rest(reader), c.rest) << c.what << ", " << source.name;
        }
    }
    // The yen sign ends the first chunk of the body and the backslash begins the next.
    const std::string head(255, 'a');
    for (Source const& source : Sources()) {
        GBin2TextStream reader(source.make("\"" + head + "\x5C\x80\"\" \"next\""), mEncodings.ShiftJIS());
        GString value;
        EXPECT_TRUE(reader.ReadQuotedString(value)) << source.name;
        EXPECT_EQ(U(value), std::u16string(head.begin(), head.end()) + u"\u00A5\"") << source.name;
        reader.SkipWhitespace(false);
        EXPECT_TRUE(reader.ReadQuotedString(value)) << source.name;
        EXPECT_EQ(U(value), u"next") << source.name;
    }
}

TEST_F(GBin2TextStreamTest, ReadsCountedUnits) {
    std::unique_ptr<GBin2TextStream> utf16(NewReader("\xFF\xFE" + UTF16LE(u"abc"), nullptr));
    GString text;
    EXPECT_EQ(utf16->Read(2, text), 2);
    EXPECT_EQ(U(text), u"ab");
    EXPECT_EQ(utf16->Read(5, text), 1);
    EXPECT_EQ(U(text), u"c");
    EXPECT_EQ(utf16->Read(5, text), -1);
    EXPECT_EQ(utf16->Read(0, text), -1);

    // A double-byte character is not cut: one unit less, or the whole of it when it comes first.
    std::unique_ptr<GBin2TextStream> sjis(NewReader(Bytes(u"aソb", mEncodings.ShiftJIS()), mEncodings.ShiftJIS()));
    EXPECT_EQ(sjis->Read(2, text), 1);
    EXPECT_EQ(U(text), u"a");
    EXPECT_EQ(sjis->Read(1, text), 2);
    EXPECT_EQ(U(text), u"ソ");
    EXPECT_EQ(sjis->Read(9, text), 1);
    EXPECT_EQ(U(text), u"b");
}

TEST_F(GBin2TextStreamTest, AnOddByteAtTheEndOfUTF16IsNotLost) {
    std::unique_ptr<GBin2TextStream> reader(NewReader("\xFF\xFE" + UTF16LE(u"A B") + "\x43", nullptr));
    GString word;
    EXPECT_TRUE(reader->ReadString(word));
    EXPECT_EQ(U(word), u"A");
    EXPECT_TRUE(reader->ReadString(word));
    EXPECT_EQ(U(word), u"B");
    EXPECT_FALSE(reader->ReadString(word));
    EXPECT_FALSE(reader->ReadQuotedString(word));
    EXPECT_EQ(Rest(*reader), "\x43");
}

TEST_F(GBin2TextStreamTest, InvalidBytesGiveTheirTextAndAreReported) {
    DefaultCharacterScope defaultCharacter(static_cast<char>(0xA4));
    struct Case {
        char const* what;
        std::string bytes;
        std::function<GEncoding const*()> encoding;
        std::u16string line;
    };
    const Case cases[] = {
        {"UTF-8, a stray byte", "a\xFF" "b", [this] { return mEncodings.UTF8(); }, u"a\u00A4b"},
        {"UTF-8, a cut sequence", "\xC3\xA9\xE2\x82", [this] { return mEncodings.UTF8(); }, u"\u00E9\u00A4\u00A4"},
        {"Shift-JIS, a lead byte without trail", "\x82 \x82\xA0", [this] { return mEncodings.ShiftJIS(); },
         u"\u00A4 \u3042"},
        {"ASCII, a high byte", "caf\xE9", [this] { return mEncodings.ASCII(); }, u"caf\u00A4"},
    };
    for (Case const& c : cases) {
        std::unique_ptr<GBin2TextStream> reader(NewReader(c.bytes + "\rok\r\"q\xFF\"", c.encoding()));
        GString line;
        EXPECT_TRUE(reader->ReadLine(line)) << c.what;
        EXPECT_EQ(U(line), c.line) << c.what;
        EXPECT_TRUE(reader->WasLastTextLossy()) << c.what;
        EXPECT_EQ(reader->GetLossyTextCount(), 1) << c.what;
        EXPECT_TRUE(reader->ReadLine(line)) << c.what;
        EXPECT_EQ(U(line), u"ok") << c.what;
        EXPECT_FALSE(reader->WasLastTextLossy()) << c.what;
    }
    // In a quoted string too.
    std::unique_ptr<GBin2TextStream> reader(NewReader("\"q\xFF\" x", mEncodings.UTF8()));
    GString value;
    EXPECT_TRUE(reader->ReadQuotedString(value));
    EXPECT_EQ(U(value), u"q\u00A4");
    EXPECT_TRUE(reader->WasLastTextLossy());
}

TEST_F(GBin2TextStreamTest, ValidTextKeepsTheStreamEncoding) {
    std::unique_ptr<GBin2TextStream> reader(NewReader("caf\x8E", mEncodings.MacRoman()));
    GString line;
    EXPECT_TRUE(reader->ReadLine(line));
    EXPECT_EQ(line.GetEncoding().Get(), mEncodings.MacRoman());
    EXPECT_EQ(BytesOf(line.GetEncodedBuffer()), "caf\x8E");
}

TEST_F(GBin2TextStreamTest, RawOperationsReachTheInnerStream) {
    GBuffer bytes = ByteBuffer("abcdef");
    GMemoryInStream inner(bytes);
    {
        GBin2TextStream reader(inner, mEncodings.MacRoman());
        GBuffer raw;
        EXPECT_EQ(reader.Read(raw, 2), 2);
        EXPECT_EQ(BytesOf(raw), "ab");
        reader.SetRollBackPoint();
        EXPECT_EQ(reader.Read(raw, 2), 2);
        EXPECT_EQ(reader.RollBack(), 2);
        EXPECT_EQ(reader.Unread(1), 1);
        EXPECT_EQ(reader.CreateClone(), nullptr);
        reader.Reset();
        GString line;
        EXPECT_TRUE(reader.ReadLine(line));
        EXPECT_EQ(U(line), u"bcdef");
    }
    // Borrowed: still usable after the reader is gone.
    EXPECT_EQ(inner.Unread(6), 6);

    bool destroyed = false;
    auto* owned = new PiecewiseInStream("x");
    owned->ReportDestructionTo(&destroyed);
    { GBin2TextStream reader(new GBufferedInStreamDecorator(owned, 1024), nullptr); }
    EXPECT_TRUE(destroyed);
}

}  // namespace
