#include "core/text/encodings/GCustomEncoding.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GCharCode.h"
#include "support/EncodingTestSetup.h"

namespace {

// A small single-byte encoding: each byte may have a Unicode value (0 = none) and a glyph name.
class TableEncoding : public GCustomEncoding {
public:
    struct Entry {
        unsigned char byte;
        char16_t unicode;
        char const* glyph;
    };

    TableEncoding(char const* description, std::vector<Entry> const& entries) : mDescription(description) {
        for (Entry const& e : entries) {
            if (e.unicode != 0) {
                mToUnicode[e.byte] = e.unicode;
                mFromUnicode.emplace(e.unicode, e.byte);
            }
            if (e.glyph != nullptr) {
                mGlyphs[e.byte] = e.glyph;
                mBytes.emplace(e.glyph, e.byte);
            }
        }
    }

    using GEncoding::ConvertTo;
    int32_t ConvertTo(GBuffer const& source, GUnicodeEncoding const*, GBuffer& output) const override {
        std::u16string units;
        int32_t status = kConvertOK;
        for (int i = 0; i < source.GetLength(); ++i) {
            auto found = mToUnicode.find(source.GetPtr()[i]);
            if (found == mToUnicode.end()) {
                units += static_cast<char16_t>(GetDefaultUnit());
                status = kConvertLossy;
            } else {
                units += found->second;
            }
        }
        output = UTF16Buffer(units);
        return status;
    }

    int32_t ConvertFromUnicode(GBuffer const& source, GBuffer& output) const override {
        std::string bytes;
        int32_t status = kConvertOK;
        for (char16_t unit : UnitsOf(source)) {
            auto found = mFromUnicode.find(unit);
            if (found == mFromUnicode.end()) {
                bytes += static_cast<char>(GetDefaultByte());
                status = kConvertLossy;
            } else {
                bytes += static_cast<char>(found->second);
            }
        }
        output = ByteBuffer(bytes);
        return status;
    }

    bool GetGlyphName(GCharCode const& code, GBuffer& name) const override {
        name.Clear();
        if (code.GetLength() != 1)
            return false;
        auto found = mGlyphs.find(static_cast<unsigned char>(code));
        if (found == mGlyphs.end())
            return false;
        name = GBuffer(found->second.c_str());
        return true;
    }

    void GetCharCode(GBuffer const& name, GCharCode& code) const override {
        code.Clear();
        auto found = mBytes.find(BytesOf(name));
        if (found != mBytes.end())
            code.Set(found->second);
    }

    GBuffer const& GetASCIIDescription() const override { return mDescription; }

private:
    GBuffer mDescription;
    std::map<unsigned char, char16_t> mToUnicode;
    std::map<char16_t, unsigned char> mFromUnicode;
    std::map<unsigned char, std::string> mGlyphs;
    std::map<std::string, unsigned char> mBytes;
};

class GCustomEncodingTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartFoundation();
        // The source: letters with names, a glyph without Unicode value ("starfish"), a glyph
        // without a name, and "C" with a value but no name.
        mSource = new TableEncoding("Source", {{'A', u'A', "A"},
                                               {'B', u'B', "B"},
                                               {'C', u'C', nullptr},
                                               {0x80, 0, "starfish"},
                                               {0x81, 0, nullptr}});
        // The target: "A", the starfish at 0x90, the euro sign by value and name; no "B" or "C".
        mTarget = new TableEncoding("Target", {{'A', u'A', "A"}, {0x90, 0, "starfish"}, {0xA4, u'\u20AC', "Euro"}});
    }

    int32_t Convert(std::string const& source, GEncoding const* from, std::string& out) const {
        GBuffer output("stale");
        const int32_t status = mTarget->ConvertFrom(ByteBuffer(source), from, output);
        out = BytesOf(output);
        return status;
    }

    GSharedObject<TableEncoding> mSource;
    GSharedObject<TableEncoding> mTarget;
};

TEST_F(GCustomEncodingTest, ConvertsFromEncodings) {
    struct Case {
        char const* what;
        std::string source;
        int32_t status;
        std::string output;
    };
    const Case cases[] = {
        {"empty source", "", 1, ""},
        {"clean through Unicode", "AA", 1, "AA"},
        // Lossy decoding, then the bridge carries the glyph over by its name.
        {"bridge by glyph name", "A\x80", 1, "A\x90"},
        // The bridge stops at the glyph without name: the lossy text stays, with status 2.
        {"lossy text kept when the bridge fails", "A\x80\x81", 2, "A@@"},
        // Clean decoding, "C" is not in the target and has no name: ConvertFromUnicode's text.
        {"bridge stops at a glyph without name", "AC", 2, "A@"},
        // Clean decoding, "B" is not in the target; the target has no "B" glyph either.
        {"bridge stops at an unknown name", "AB", 2, "A@"},
    };
    for (Case const& c : cases) {
        std::string out;
        EXPECT_EQ(Convert(c.source, mSource.Get(), out), c.status) << c.what;
        EXPECT_EQ(out, c.output) << c.what;
    }
}

TEST_F(GCustomEncodingTest, BridgesUTF16UnitByUnit) {
    GBuffer out;
    // U+20AC is in the target by value.
    EXPECT_EQ(mTarget->ConvertFrom(UTF16Buffer(u"A\u20AC"), GUnicodeEncoding::GetInstance(), out), 1);
    EXPECT_EQ(BytesOf(out), "A\xA4");
    // U+00E9 is not, and its glyph name "eacute" is unknown to the target.
    EXPECT_EQ(mTarget->ConvertFrom(UTF16Buffer(u"A\u00E9"), GUnicodeEncoding::GetInstance(), out), 2);
    EXPECT_EQ(BytesOf(out), "A@");
}

TEST_F(GCustomEncodingTest, FailedDecodingGivesStatus4AndEmptyOutput) {
    std::string out;
    EXPECT_EQ(Convert("A\xFF", GUTF8Encoding::GetInstance(), out), 4);
    EXPECT_EQ(out, "");
    EXPECT_EQ(Convert("A", nullptr, out), 4);
    EXPECT_EQ(out, "");
}

TEST_F(GCustomEncodingTest, TypedConversionIntoACustomTarget) {
    GBuffer out;
    // UTF-8 to the target through UTF-16 and the target's encoder: flags ORed.
    EXPECT_EQ(GUTF8Encoding::GetInstance()->ConvertTo(ByteBuffer("A\xE2\x82\xAC"), mTarget.Get(), out), 1);
    EXPECT_EQ(BytesOf(out), "A\xA4");
    EXPECT_EQ(GUTF8Encoding::GetInstance()->ConvertTo(ByteBuffer("AB"), mTarget.Get(), out), 3);
    EXPECT_EQ(BytesOf(out), "A@");
    EXPECT_EQ(mSource->ConvertTo(ByteBuffer("A\x80"), mTarget.Get(), out), 2);
    EXPECT_EQ(BytesOf(out), "A@");
    EXPECT_EQ(GUnicodeEncoding::GetInstance()->ConvertTo(UTF16Buffer(u"\u20AC"), mTarget.Get(), out), 1);
    EXPECT_EQ(BytesOf(out), "\xA4");
}

TEST_F(GCustomEncodingTest, SourceAndOutputMayBeOneBuffer) {
    GBuffer text = ByteBuffer("A\x80");
    EXPECT_EQ(mTarget->ConvertFrom(text, mSource.Get(), text), 1);
    EXPECT_EQ(BytesOf(text), "A\x90");
}

} // namespace
