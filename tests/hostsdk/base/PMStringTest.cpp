#include "hostsdk/base/PMString.h"

#include <gtest/gtest.h>

#include "hostsdk/base/IDFile.h"
#include "hostsdk/base/UIDList.h"

namespace {

TEST(PMStringTest, KeepsUTF16AndGivesUTF8Back) {
    const PMString text("A\xC3\x84\xE2\x82\xAC\xF0\x9D\x84\x9E");  // A, Ä, €, and a clef outside the BMP
    EXPECT_EQ(text.UTF16(), (std::u16string{u'A', 0x00C4, 0x20AC, 0xD834, 0xDD1E}));
    EXPECT_EQ(text.CharCount(), 5);
    EXPECT_EQ(text.GetUTF8String(), "A\xC3\x84\xE2\x82\xAC\xF0\x9D\x84\x9E");
    EXPECT_EQ(PMString(std::string("a\0b", 3)).CharCount(), 3);
    EXPECT_TRUE(PMString(static_cast<const char*>(nullptr)).IsEmpty());
}

TEST(PMStringTest, MalformedUTF8BecomesReplacementCharacters) {
    const PMString text("a\xFF" "b");
    ASSERT_EQ(text.CharCount(), 3);
    EXPECT_EQ(text.UTF16()[1], 0xFFFD);
}

TEST(PMStringTest, TranslatableUntilSaidOtherwiseAndComparedByText) {
    PMString text("Pages");
    EXPECT_TRUE(text.GetTranslatable());
    text.SetTranslatable(false);
    EXPECT_FALSE(text.GetTranslatable());
    EXPECT_EQ(text, PMString("Pages"));
    EXPECT_NE(text, PMString("pages"));
}

TEST(IDFileTest, FileNameIsTheLastComponent) {
    EXPECT_EQ(IDFile(PMString("/books/Catalogue.indb")).GetFileName(), PMString("Catalogue.indb"));
    EXPECT_EQ(IDFile(PMString("Catalogue.indb")).GetFileName(), PMString("Catalogue.indb"));
    EXPECT_TRUE(IDFile(PMString("/books/")).GetFileName().IsEmpty());
    EXPECT_TRUE(IDFile().IsEmpty());
}

TEST(UIDListTest, KeepsOrderAndGivesNoObjectOutsideTheList) {
    UIDList list;
    list.Append(7);
    list.Append(3);
    EXPECT_EQ(list.Length(), 2);
    EXPECT_EQ(list.At(0), 7u);
    EXPECT_EQ(list.At(1), 3u);
    EXPECT_EQ(list.At(2), 0u);
    EXPECT_EQ(list.At(-1), 0u);
    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
}

}  // namespace
