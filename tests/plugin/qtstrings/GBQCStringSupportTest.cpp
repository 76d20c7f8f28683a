// Tool-tip line breaking: where lines break, and what stays whole.
#include <gtest/gtest.h>

#include "plugin/qtstrings/GBQCStringSupport.h"

namespace {

QString Repeat(char c, int n) { return QString(n, QLatin1Char(c)); }

}  // namespace

TEST(BQCStringSupportTest, BreakCharacters) {
    for (QChar c : {QChar('.'), QChar(','), QChar('/'), QChar('\\'), QChar('-'), QChar(0x00BF)})
        EXPECT_TRUE(GBQCStringSupport::CanInsertBreakAfter(c)) << c.unicode();
    for (QChar c : {QChar('a'), QChar(' '), QChar('7'), QChar('+')})
        EXPECT_FALSE(GBQCStringSupport::CanInsertBreakAfter(c)) << c.unicode();
}

TEST(BQCStringSupportTest, ToolTipLines) {
    QString const eighty = Repeat('a', 80);
    struct Case {
        char const* what;
        QString in;
        QString out;
    };
    std::vector<Case> const cases = {
        {"short text, trimmed", "  some text \t", "some text"},
        {"line ends only", "a\r\nb\rc", "a\nb\nc"},
        {"exactly eighty", eighty, eighty},
        {"a blank at 81 becomes LF", eighty + " next", eighty + "\nnext"},
        {"a blank inside the first eighty stays", "x y" + Repeat('a', 77) + " z", "x y" + Repeat('a', 77) + "\nz"},
        {"a run without a break stays whole", Repeat('a', 200), Repeat('a', 200)},
        {"past column 80 a path breaks after its slash", eighty + "usr/lib", eighty + "usr/\nlib"},
        {"each line counts from its own start", eighty + "\n" + eighty + " x", eighty + "\n" + eighty + "\nx"},
        {"a no-break space counts as white space", eighty + QChar(0x00A0) + "y", eighty + "\ny"},
        {"after a break the count starts again", eighty + " " + eighty + " z", eighty + "\n" + eighty + "\nz"},
        {"CR CR LF gives two LFs", "a\r\r\nb", "a\n\nb"},
    };
    for (Case const& c : cases)
        EXPECT_EQ(c.out, GBQCStringSupport::FormatToolTip(c.in)) << c.what;
}
