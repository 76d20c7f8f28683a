#include <gtest/gtest.h>

#include <string>

#include "core/text/GUnitCase.h"

namespace {

struct CaseRow {
    std::u16string text;
    std::u16string lower;
    std::u16string upper;
};

std::u16string Map(std::u16string const& text, int (*map)(char16_t, char16_t, char16_t*)) {
    std::u16string out;
    char16_t units[2];
    for (std::size_t i = 0; i < text.size();) {
        const int n = map(text[i], i + 1 < text.size() ? text[i + 1] : u'\0', units);
        out.append(units, static_cast<std::size_t>(n));
        i += static_cast<std::size_t>(n);
    }
    return out;
}

TEST(GUnitCaseTest, MapsEachCodePointKeepingTheUnitCount) {
    const CaseRow rows[] = {
        {u"Ab-Z9", u"ab-z9", u"AB-Z9"},
        {u"\u00c9t\u00e9", u"\u00e9t\u00e9", u"\u00c9T\u00c9"},
        // A pair maps as one code point (Deseret capital and small long i).
        {u"\U00010400\U00010428", u"\U00010428\U00010428", u"\U00010400\U00010400"},
        // Lone surrogates have no case and do not take the next unit with them.
        {std::u16string(u"\xd801" u"A"), std::u16string(u"\xd801" u"a"), std::u16string(u"\xd801" u"A")},
        {std::u16string(u"\xdc00" u"b\xd801"), std::u16string(u"\xdc00" u"b\xd801"), std::u16string(u"\xdc00" u"B\xd801")},
        // Full mappings that would change the length are not made: sharp s stays.
        {u"\u00df", u"\u00df", u"\u00df"},
    };
    for (CaseRow const& row : rows) {
        EXPECT_EQ(Map(row.text, GUnitCase::Lower), row.lower);
        EXPECT_EQ(Map(row.text, GUnitCase::Upper), row.upper);
    }
}

}  // namespace
