#include <gtest/gtest.h>

#include <string>

#include "core/text/encodings/GEncodingFallback.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "mac/paths/PMacNativePath.h"
#include "mac/paths/PMacPathText.h"
#include "support/FoundationStartup.h"

namespace {

GString Units(const std::u16string& units) { return PMacPathText::FromUnits(units); }

// A text that keeps the bytes as its UTF-8 form, as texts read from files may.
GString HeldAsUTF8(const std::string& bytes) {
    return GString(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()),
                   GEncodingFallback::Get<GUTF8Encoding>(), true);
}

TEST(PMacNativePathTest, TextRoundTripsThroughUTF8UnitForUnit) {
    // Decomposed and composed forms stay as they are: each names a different file here.
    for (const std::u16string& text : {std::u16string(u"/tmp/a b"), std::u16string(u"/tmp/e\u0301t\u00e9"),
                                       std::u16string(u"/\u65e5\u672c/\U0001F600.txt"), std::u16string()}) {
        std::string bytes;
        ASSERT_TRUE(PMacNativePath::ToUTF8(Units(text), bytes));
        GString back;
        ASSERT_TRUE(PMacNativePath::FromUTF8(bytes, back));
        EXPECT_EQ(PMacPathText::Units(back), text);
    }
    std::string bytes;
    ASSERT_TRUE(PMacNativePath::ToUTF8(Units(u"e\u0301"), bytes));
    EXPECT_EQ(bytes, "e\xcc\x81");
}

TEST(PMacNativePathTest, TextWithoutUTF8FormIsRefused) {
    for (const std::u16string& text : {std::u16string(u"/tmp/a\0b", 8), std::u16string(1, u'\xd800'),
                                       std::u16string(u"/x") + char16_t(0xdc00)}) {
        std::string bytes = "old";
        EXPECT_FALSE(PMacNativePath::ToUTF8(Units(text), bytes));
        EXPECT_TRUE(bytes.empty());
    }
}

TEST(PMacNativePathTest, BytesThatAreNoWellFormedUTF8AreRefused) {
    for (const std::string& bytes : {std::string("/tmp/\xff"), std::string("/tmp/\xc0\x80"), std::string("\xed\xa0\x80"),
                                     std::string("a\0b", 3), std::string("\xe6\x97")}) {
        GString text("old");
        EXPECT_FALSE(PMacNativePath::FromUTF8(bytes, text));
        EXPECT_TRUE(text.IsEmpty());
    }
}

TEST(PMacNativePathTest, TextHeldAsUTF8GoesOutAsItsBytesOnlyWhenWellFormed) {
    StartFoundation();
    for (const std::string& bytes : {std::string("/tmp/a b"), std::string("/tmp/e\xcc\x81t\xc3\xa9"),
                                     std::string("/\xf0\x9f\x98\x80.txt")}) {
        const GString text = HeldAsUTF8(bytes);
        ASSERT_EQ(text.GetEncoding().Get(), GEncodingFallback::Get<GUTF8Encoding>());
        std::string out;
        ASSERT_TRUE(PMacNativePath::ToUTF8(text, out));
        EXPECT_EQ(out, bytes);
    }
    // A zero byte would cut the path short on its way to the system and name another file.
    int held = 0;
    for (const std::string& bytes : {std::string("/tmp/a\0/../b", 12), std::string("\0", 1), std::string("/tmp/\xff"),
                                     std::string("\xed\xa0\x80"), std::string("\xc0\xaf")}) {
        const GString text = HeldAsUTF8(bytes);
        if (text.GetEncoding().Get() != GEncodingFallback::Get<GUTF8Encoding>())
            continue;  // not kept as these bytes: the other cases cover it
        ++held;
        std::string out = "old";
        EXPECT_FALSE(PMacNativePath::ToUTF8(text, out)) << bytes;
        EXPECT_TRUE(out.empty());
    }
    EXPECT_GE(held, 2) << "the texts with a zero byte must reach the check as UTF-8";
}

TEST(PMacNativePathTest, NamesAppendToTheUnitsOfTheirFolderOrLeaveThemAlone) {
    std::u16string units = u"/f/";
    ASSERT_TRUE(PMacNativePath::AppendUnits("\xc3\xa9", 2, units));
    EXPECT_EQ(units, u"/f/\u00e9");
    EXPECT_FALSE(PMacNativePath::AppendUnits("ok\xff", 3, units));
    EXPECT_FALSE(PMacNativePath::AppendUnits("a\0b", 3, units));
    EXPECT_EQ(units, u"/f/\u00e9");
}

}  // namespace
