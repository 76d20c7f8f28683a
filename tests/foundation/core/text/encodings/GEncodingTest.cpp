#include "core/text/encodings/GEncoding.h"

#include <gtest/gtest.h>

#include <string>

#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GCharCode.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "support/EncodingTestSetup.h"

namespace {

// Puts the default character back when a test that changes it ends.
class DefaultCharacterGuard {
public:
    explicit DefaultCharacterGuard(char c) : mSaved(GEncoding::GetDefaultCharacter()) { GEncoding::SetDefaultCharacter(c); }
    ~DefaultCharacterGuard() { GEncoding::SetDefaultCharacter(mSaved); }

private:
    char mSaved;
};

class GASCIIEncodingTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }

    GASCIIEncoding const* ascii() const { return GASCIIEncoding::GetInstance(); }
    GUnicodeEncoding const* unicode() const { return GUnicodeEncoding::GetInstance(); }
    GUTF8Encoding const* utf8() const { return GUTF8Encoding::GetInstance(); }
};

TEST_F(GASCIIEncodingTest, DecodesToUnicode) {
    struct Case {
        std::string bytes;
        std::u16string units;
        int32_t status;
    };
    const Case cases[] = {
        {"", u"", 1},
        {"Hello", u"Hello", 1},
        {"\x07\x7F", u"\x07\x7F", 1},
        {"\x41\x80\x05", u"\x41\x40\x40", 2},
        {std::string("\x00", 1), u"@", 2},
        {"\x06\xFF", u"@@", 2},
    };
    for (Case const& c : cases) {
        GBuffer out;
        EXPECT_EQ(ascii()->ConvertTo(ByteBuffer(c.bytes), unicode(), out), c.status) << c.bytes;
        EXPECT_EQ(UnitsOf(out), c.units) << c.bytes;
        // The same through the UTF-16 encoding's double dispatch.
        EXPECT_EQ(unicode()->ConvertFrom(ByteBuffer(c.bytes), ascii(), out), c.status);
        EXPECT_EQ(UnitsOf(out), c.units);
    }
}

TEST_F(GASCIIEncodingTest, DefaultCharacterIsTakenUnsigned) {
    EXPECT_EQ(GEncoding::GetDefaultCharacter(), '@');
    DefaultCharacterGuard guard(static_cast<char>(0xA4));
    GBuffer out;
    EXPECT_EQ(ascii()->ConvertTo(ByteBuffer("A\x80"), unicode(), out), 2);
    EXPECT_EQ(UnitsOf(out), u"A\u00A4");
    // And as a byte into a single-byte target.
    EXPECT_EQ(unicode()->ConvertTo(UTF16Buffer(u"\u4E00"), ascii(), out), 2);
    EXPECT_EQ(BytesOf(out), "\xA4");
}

TEST_F(GASCIIEncodingTest, DescriptionAndType) {
    EXPECT_EQ(BytesOf(ascii()->GetASCIIDescription()), "ASCIIEncoding");
    EXPECT_TRUE(ascii()->IsOfType(GBuffer("ASCIIEncoding")));
    EXPECT_FALSE(ascii()->IsOfType(GBuffer("asciiencoding")));
    EXPECT_FALSE(ascii()->IsOfType(GBuffer("ASCIIEncoding ")));
    EXPECT_FALSE(unicode()->IsOfType(GBuffer("ASCIIEncoding")));
    EXPECT_EQ(BytesOf(unicode()->GetASCIIDescription()), "UnicodeEncoding");
    EXPECT_EQ(BytesOf(utf8()->GetASCIIDescription()), "UTF-8Encoding");
}

TEST_F(GASCIIEncodingTest, LengthAndNormalizeDefaults) {
    EXPECT_EQ(ascii()->GetLength(reinterpret_cast<unsigned char const*>("abc\0def")), 3);
    EXPECT_EQ(ascii()->GetLength(reinterpret_cast<unsigned char const*>("")), 0);
    EXPECT_EQ(utf8()->GetLength(reinterpret_cast<unsigned char const*>("\xC3\xA9x")), 3);
    GBuffer text("e\xCC\x81");
    utf8()->Normalize(text);
    EXPECT_EQ(BytesOf(text), "e\xCC\x81");  // only UTF-16 composes
}

TEST_F(GASCIIEncodingTest, ConvertsFromOtherEncodingsThroughUnicode) {
    GBuffer out;
    // UTF-8 decodes cleanly, the ASCII step loses the e acute: the flags of both steps.
    EXPECT_EQ(ascii()->ConvertFrom(ByteBuffer("A\xC3\xA9"), utf8(), out), 3);
    EXPECT_EQ(BytesOf(out), "A@");
    EXPECT_EQ(ascii()->ConvertFrom(ByteBuffer("plain"), utf8(), out), 1);
    EXPECT_EQ(BytesOf(out), "plain");
    // A failed decoding returns 4 alone and leaves the output as it was.
    out = GBuffer("kept");
    EXPECT_EQ(ascii()->ConvertFrom(ByteBuffer("A\xFF"), utf8(), out), 4);
    EXPECT_EQ(BytesOf(out), "kept");
    // From UTF-16 directly: the UTF-16 encoding's own typed conversion.
    EXPECT_EQ(ascii()->ConvertFrom(UTF16Buffer(u"Az\u00E9"), unicode(), out), 2);
    EXPECT_EQ(BytesOf(out), "Az@");
    EXPECT_EQ(ascii()->ConvertFrom(GBuffer(), utf8(), out), 1);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(ascii()->ConvertFrom(ByteBuffer("x"), nullptr, out), 4);
}

TEST_F(GASCIIEncodingTest, SourceAndOutputMayBeOneBuffer) {
    GBuffer text("AB\x80");
    EXPECT_EQ(ascii()->ConvertTo(text, unicode(), text), 2);
    EXPECT_EQ(UnitsOf(text), u"AB@");
    EXPECT_EQ(ascii()->ConvertFrom(text, unicode(), text), 1);
    EXPECT_EQ(BytesOf(text), "AB@");
}

TEST_F(GASCIIEncodingTest, GlyphNames) {
    GBuffer name;
    EXPECT_TRUE(ascii()->GetGlyphName(GCharCode(static_cast<unsigned char>('A')), name));
    EXPECT_EQ(BytesOf(name), "A");
    EXPECT_TRUE(ascii()->GetGlyphName(GCharCode(static_cast<unsigned char>(' ')), name));
    EXPECT_EQ(BytesOf(name), "space");
    EXPECT_FALSE(ascii()->GetGlyphName(GCharCode(static_cast<unsigned short>(0x0041)), name));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_FALSE(ascii()->GetGlyphName(GCharCode(static_cast<unsigned char>(0xE9)), name));
    EXPECT_FALSE(ascii()->GetGlyphName(GCharCode(), name));

    GCharCode code;
    ascii()->GetCharCode(GBuffer("A"), code);
    EXPECT_EQ(code, GCharCode(static_cast<unsigned char>('A')));
    ascii()->GetCharCode(GBuffer("A.sc"), code);
    EXPECT_EQ(code, GCharCode(static_cast<unsigned char>('A')));
    ascii()->GetCharCode(GBuffer("eacute"), code);  // no ASCII byte
    EXPECT_TRUE(code.IsEmpty());
    ascii()->GetCharCode(GBuffer("T_h"), code);  // two characters
    EXPECT_TRUE(code.IsEmpty());
    ascii()->GetCharCode(GBuffer("nosuchglyph"), code);
    EXPECT_TRUE(code.IsEmpty());
}

TEST(GEncodingSingletons, SetInstanceHoldsOneReference) {
    StartFoundation();
    GSharedObject<GASCIIEncoding> previous(GASCIIEncoding::GetInstance());
    GASCIIEncoding* fresh = new GASCIIEncoding;
    GSharedObject<GASCIIEncoding> mine(fresh);
    EXPECT_EQ(fresh->GetRefCount(), 1);
    GASCIIEncoding::SetInstance(fresh);
    EXPECT_EQ(GASCIIEncoding::GetInstance(), fresh);
    EXPECT_EQ(fresh->GetRefCount(), 2);
    GASCIIEncoding::SetInstance(fresh);  // setting the held object again keeps it
    EXPECT_EQ(fresh->GetRefCount(), 2);
    GASCIIEncoding::SetInstance(nullptr);
    EXPECT_EQ(GASCIIEncoding::GetInstance(), nullptr);
    EXPECT_EQ(fresh->GetRefCount(), 1);
    GASCIIEncoding::SetInstance(previous.Get());
    EXPECT_EQ(GASCIIEncoding::GetInstance(), previous.Get());
}

} // namespace
