#include "core/support/GStdSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "core/bytes/GBuffer.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/GString.h"
#include "core/values/GDateTime.h"
#include "support/EncodingTestSetup.h"

namespace {

class GStdSupportTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
};

TEST_F(GStdSupportTest, BytesCopyZeroBytesToo) {
    const std::string withZero("a\0b", 3);
    GBuffer buffer = GStdSupport::ToGBuffer(withZero);
    EXPECT_EQ(buffer.GetLength(), 3);
    EXPECT_EQ(GStdSupport::ToStdString(buffer), withZero);
    EXPECT_EQ(GStdSupport::ToStdString(GBuffer()), "");
    EXPECT_EQ(GStdSupport::ToGBuffer(std::string()).GetLength(), 0);
}

TEST_F(GStdSupportTest, WideStringsHoldOneElementPerCodePoint) {
    struct Case {
        std::string utf8;
        std::wstring wide;
    } const cases[] = {
        {std::string("a\0b", 3), L"a"},
        {"", L""},
        {"Gr\xC3\xBC\xC3\x9F" "e", L"Gr\u00FC\u00DFe"},
        {"\xE2\x82\xAC" "1", L"\u20AC1"},
        {"\xF0\x9F\x98\x80", std::wstring(1, static_cast<wchar_t>(0x1F600))},
        {"\xF4\x8F\xBF\xBF", std::wstring(1, static_cast<wchar_t>(0x10FFFF))},
    };
    for (Case const& c : cases)
        EXPECT_EQ(GStdSupport::ToStdWString(ByteBuffer(c.utf8)), c.wide) << c.utf8;

    GString text(UTF16Buffer(u"\u00C5 \U0001F600"), GUnicodeEncoding::GetInstance());
    EXPECT_EQ(GStdSupport::ToStdWString(text), (std::wstring{L'\u00C5', L' ', static_cast<wchar_t>(0x1F600)}));
}

TEST_F(GStdSupportTest, IllFormedUTF8IsARangeError) {
    char const* const cases[] = {
        "\x80",              // stray continuation byte
        "a\xC3",             // cut by the end
        "\xE2\x82",          // cut by the end
        "\xE2\x28\xA1",      // missing continuation byte
        "\xC0\x80",          // overlong zero
        "\xC1\xBF",          // overlong
        "\xE0\x80\xAF",      // overlong
        "\xF0\x8F\xBF\xBF",  // overlong
        "\xED\xA0\x80",      // surrogate
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "\xF8\x88\x80\x80\x80",
        "\xFF",
    };
    for (char const* c : cases)
        EXPECT_THROW(GStdSupport::ToStdWString(ByteBuffer(c)), std::range_error) << c;
}

TEST_F(GStdSupportTest, StringsInAnEncoding) {
    GEncoding const* utf8 = GUTF8Encoding::GetInstance();
    GString text = GStdSupport::ToGString("Gr\xC3\xBC\xC3\x9F" "e", utf8);
    EXPECT_EQ(BytesOf(text.GetEncodingName()), BytesOf(utf8->GetASCIIDescription()));
    EXPECT_EQ(text, GString(UTF16Buffer(u"Gr\u00FC\u00DFe"), GUnicodeEncoding::GetInstance()));

    GString into("old");
    GStdSupport::ToGString("\xE2\x82\xAC", utf8, into);
    EXPECT_EQ(into, GString(UTF16Buffer(u"\u20AC"), GUnicodeEncoding::GetInstance()));

    GString unicode(UTF16Buffer(u"\u20AC 5"), GUnicodeEncoding::GetInstance());
    EXPECT_EQ(GStdSupport::ToStdString(unicode, utf8), "\xE2\x82\xAC 5");
}

TEST_F(GStdSupportTest, PoolTextsById) {
    GDateTime::Initialize();
    EXPECT_EQ(GStdSupport::StringIDToStdString(2405), "May");
    EXPECT_EQ(GStdSupport::StringIDToStdString(2414), "%3:%2:%1");
    EXPECT_EQ(GStdSupport::StringIDToStdString(-1), "");
    EXPECT_EQ(GStdSupport::StringIDToStdString(999999), "");
}

} // namespace
