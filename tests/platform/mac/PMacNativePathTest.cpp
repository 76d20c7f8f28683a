#include <gtest/gtest.h>

#include <string>

#include "mac/PMacNativePath.h"
#include "mac/PMacPathText.h"

namespace {

GString Units(const std::u16string& units) { return PMacPathText::FromUnits(units); }

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

}  // namespace
