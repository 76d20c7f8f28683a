#include "core/streams/GUnicodeTextScanner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/containers/GDict.h"
#include "core/streams/GContainerText.h"
#include "support/TextStreamTestSetup.h"

namespace {

// The scanner must read UTF-16 exactly as the stream reader does: both run the same calls over
// the same bytes and every result, text and position is compared.
class GUnicodeTextScannerTest : public ::testing::Test {
protected:
    // What one call gave: its result and the text or bytes it produced.
    struct Outcome {
        long long result;
        std::string bytes;
        std::string encoding;
        bool operator==(Outcome const& other) const {
            return result == other.result && bytes == other.bytes && encoding == other.encoding;
        }
        friend void PrintTo(Outcome const& o, std::ostream* out) {
            *out << o.result << " [";
            for (unsigned char c : o.bytes)
                *out << ' ' << std::hex << static_cast<int>(c) << std::dec;
            *out << " ] " << o.encoding;
        }
    };

    static Outcome Text(long long result, GString const& text) {
        return {result, BytesOf(text.GetEncodedBuffer()), BytesOf(text.GetEncodingName())};
    }

    template <class Reader>
    static Outcome Call(Reader& reader, int op) {
        GString text;
        switch (op) {
        case 0:
            return Text(reader.ReadString(text), text);
        case 1:
            return Text(reader.ReadLine(text), text);
        case 2:
            return Text(reader.ReadQuotedString(text), text);
        case 3:
            return {reader.SkipWhitespace(true), "", ""};
        case 4:
            return {reader.SkipWhitespace(false), "", ""};
        case 5:
            return Text(reader.Read(1, text), text);
        case 6:
            return Text(reader.Read(7, text), text);
        default: {
            // A look at the next character, as the preference reader takes one.
            const int units = reader.Read(1, text);
            const int back = units > 0 ? reader.Unread(units * reader.GetUnitSize()) : 0;
            return {back, BytesOf(text.GetEncodedBuffer()), BytesOf(text.GetEncodingName())};
        }
        }
    }

    // Runs the calls (cycling through ops) until both readers have nothing left, then makes the
    // check for a byte left that the preference reader makes (raw reads come in whatever pieces
    // the stream gives, so only that is compared).
    void ExpectSame(std::string const& bytes, GEncoding const* encoding, std::vector<int> const& ops,
                    std::vector<int> const& pieces = {1, 2, 3}) {
        ShortReadStream forStream(bytes, pieces);
        GBin2TextStream stream(forStream, encoding);
        GBuffer const buffer = ByteBuffer(bytes);
        GMemoryInStream forScanner(buffer);
        ASSERT_TRUE(GUnicodeTextScanner::Reads(forScanner, encoding));
        ASSERT_TRUE(GUnicodeTextScanner::Reads(buffer, encoding));
        GUnicodeTextScanner scanner(forScanner);
        // The same scanner over the buffer itself, which it reads in place.
        GUnicodeTextScanner inPlace(buffer);
        for (std::size_t i = 0; i < bytes.size() + 16; ++i) {
            const int op = ops[i % ops.size()];
            Outcome const expected = Call(stream, op);
            ASSERT_EQ(expected, Call(scanner, op)) << "call " << i << ", op " << op;
            ASSERT_EQ(expected, Call(inPlace, op)) << "in place: call " << i << ", op " << op;
        }
        GBuffer rest;
        const int last = stream.Read(rest, 1);
        EXPECT_EQ(last, scanner.Read(rest, 1));
        EXPECT_EQ(last, inPlace.Read(rest, 1));
    }

    TextEncodings mEncodings;
};

std::vector<std::u16string> Texts() {
    return {
        u"",
        u"word",
        u"  \t two words\r\nline\n\rnext\r\r\n",
        u"\"plain\" \"with \\\"escape\\\" and \\\\ and \\n \\t \\' \\x\"\r",
        u"\"cut at the end",
        u"\"escape cut at the end\\",
        u"\"\" \"\"\r\n\"key\"\t\"value\" rest of the line\r#END",
        u"e\u0301 composed \u00E9 \U0001F600 \xD800 lone",
        u"\"\u65E5\u672C\u8A9E\" \"caf\u00E9\"\n",
    };
}

TEST_F(GUnicodeTextScannerTest, ReadsAsTheStreamReaderDoes) {
    const std::vector<std::vector<int>> scripts = {
        {0}, {1}, {2, 3}, {3, 2, 4, 2, 1}, {5, 7, 5, 0}, {6, 1}, {0, 1, 2, 3, 4, 5, 6, 7}, {4, 7, 7, 2, 1}};
    for (std::u16string const& text : Texts()) {
        for (std::vector<int> const& ops : scripts) {
            SCOPED_TRACE(std::string(text.begin(), text.end()));
            ExpectSame("\xFF\xFE" + UTF16LE(text), nullptr, ops);
            ExpectSame(UTF16LE(text), mEncodings.Unicode(), ops);
            ExpectSame("\xFF\xFE" + UTF16LE(text), mEncodings.Unicode(), ops);
            // A lone last byte: held back from texts, taken by raw reads and line ends.
            ExpectSame("\xFF\xFE" + UTF16LE(text) + "x", nullptr, ops);
        }
    }
}

// Texts longer than the scanner's block and tokens across its edges.
TEST_F(GUnicodeTextScannerTest, ReadsAcrossBlocks) {
    std::u16string text;
    for (int i = 0; text.size() < 40000; ++i)
        text += u"\"key" + std::u16string(static_cast<std::size_t>(i % 97), u'k') + u"\" \"va\\\"lue\"\r";
    text += u"\"" + std::u16string(30000, u'v') + u"\\n\" " + std::u16string(20000, u'w') + u"\r";
    ExpectSame("\xFF\xFE" + UTF16LE(text), nullptr, {2, 4, 2, 1, 3, 5, 7}, {4096, 8191, 5});
    ExpectSame("\xFF\xFE" + UTF16LE(text), nullptr, {0, 6, 7, 1});
}

TEST_F(GUnicodeTextScannerTest, TakesOnlyMachineOrderUTF16) {
    struct Case {
        std::string bytes;
        bool detected;
        bool given;
    };
    const std::vector<Case> cases = {
        {"\xFF\xFE" "a\0", true, true},
        {std::string("a\0", 2), false, true},
        {"\xFE\xFF" + std::string("\0a", 2), false, false},
        {"\xEF\xBB\xBF" "a", false, true},
        {"", false, true},
        {"\xFF", false, true},
    };
    for (Case const& c : cases) {
        GBuffer const buffer = ByteBuffer(c.bytes);
        GMemoryInStream in(buffer);
        EXPECT_EQ(GUnicodeTextScanner::Reads(in, nullptr), c.detected) << c.bytes;
        EXPECT_EQ(GUnicodeTextScanner::Reads(in, mEncodings.Unicode()), c.given) << c.bytes;
        EXPECT_FALSE(GUnicodeTextScanner::Reads(in, mEncodings.UTF8()));
        EXPECT_EQ(GUnicodeTextScanner::Reads(buffer, nullptr), c.detected) << c.bytes;
        EXPECT_EQ(GUnicodeTextScanner::Reads(buffer, mEncodings.Unicode()), c.given) << c.bytes;
        EXPECT_FALSE(GUnicodeTextScanner::Reads(buffer, mEncodings.UTF8()));
        // Looking gives the bytes back.
        EXPECT_EQ(Rest(*std::unique_ptr<GBin2TextStream>(new GBin2TextStream(in, mEncodings.MacRoman()))), c.bytes);
    }
}

TEST_F(GUnicodeTextScannerTest, DictionaryBlocksReadTheSame) {
    const std::string bytes = "\xFF\xFE" + UTF16LE(u"#BEGINDICT\r\"a\" \"1\"\r\"b\"\t\"tw\\\"o\" x\r\"a\" \"3\"\r#ENDDICT\r");
    GDict<GBuffer, GString> fromStream(5);
    GDict<GBuffer, GString> fromScanner(5);
    std::unique_ptr<GBin2TextStream> stream(NewReader(bytes, nullptr));
    GBuffer const buffer = ByteBuffer(bytes);
    GMemoryInStream in(buffer);
    GUnicodeTextScanner scanner(in);
    ASSERT_TRUE(GContainerText::ReadDictBlock(*stream, fromStream));
    ASSERT_TRUE(GContainerText::ReadDictBlock(scanner, fromScanner));
    ASSERT_EQ(fromStream.GetCount(), 2);
    ASSERT_EQ(fromScanner.GetAllocation(), fromStream.GetAllocation());
    for (int slot = 0; slot < fromStream.GetAllocation(); ++slot) {
        ASSERT_EQ(fromScanner.IsSlotUsed(slot), fromStream.IsSlotUsed(slot));
        if (!fromStream.IsSlotUsed(slot))
            continue;
        EXPECT_EQ(BytesOf(fromScanner.GetKeyAt(slot)), BytesOf(fromStream.GetKeyAt(slot)));
        EXPECT_EQ(U(fromScanner.GetValueAt(slot)), U(fromStream.GetValueAt(slot)));
    }
}

}  // namespace
