// The conversions between the framework's texts and Qt's: line ends, NULs, names, paths, tables
// and string-pool texts.
#include <gtest/gtest.h>

#include "core/text/GStringPool.h"
#include "core/text/GStringPoolData.h"
#include "core/text/encodings/GMacRomanEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "plugin/qtstrings/GQStringSupport.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"

using namespace preftest;

namespace {

class QStringSupportTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
};

GString UTF16(std::u16string const& units) {
    return GString(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(units.size() * 2),
                   GUnicodeEncoding::GetInstance(), false);
}

}  // namespace

TEST_F(QStringSupportTest, LineEndsBecomeLFFromTextsAndFromUTF8Bytes) {
    struct Case {
        char const* in;
        char const* out;
    };
    for (Case c : {Case{"a\r\nb", "a\nb"}, Case{"a\rb", "a\nb"}, Case{"a\r\r\nb", "a\n\nb"}, Case{"a\n\rb", "a\n\nb"},
                   Case{"\r", "\n"}, Case{"plain", "plain"}, Case{"", ""}}) {
        EXPECT_EQ(QString::fromUtf8(c.out), GQStringSupport::ToQString(T(c.in))) << c.in;
        EXPECT_EQ(QString::fromUtf8(c.out), GQStringSupport::ToQString(B(c.in))) << c.in;
    }
}

TEST_F(QStringSupportTest, TextsOfAnyEncodingArriveAsTheirCharacters) {
    GString const roman(reinterpret_cast<unsigned char const*>("caf\x8e"), 4, GMacRomanEncoding::GetInstance());
    EXPECT_EQ(QString::fromUtf8("café"), GQStringSupport::ToQString(roman));
    EXPECT_EQ(QString::fromUtf8("Grüße ✓"), GQStringSupport::ToQString(T("Grüße ✓")));
    EXPECT_EQ(QString::fromUtf8("Grüße ✓"), GQStringSupport::ToQString(B("Grüße ✓")));
    EXPECT_TRUE(GQStringSupport::ToQString(GString()).isEmpty());
    EXPECT_TRUE(GQStringSupport::ToQString(GBuffer()).isEmpty());
}

TEST_F(QStringSupportTest, ANulEndsTheTextForQtButNotTheTextFromQt) {
    std::u16string const units = {u'a', u'b', 0, u'c', u'd'};
    EXPECT_EQ(QString("ab"), GQStringSupport::ToQString(UTF16(units)));
    EXPECT_EQ(QString("ab"), GQStringSupport::ToQString(B(std::string("ab\0cd", 5))));

    QString const withNul = QString::fromUtf16(reinterpret_cast<ushort const*>(units.data()), 5);
    GString const back = GQStringSupport::ToGString(withNul);
    EXPECT_EQ(10, back.GetEncodedBuffer().GetLength());
    EXPECT_EQ("ab", S(GQStringSupport::ToGBuffer(withNul)));
    EXPECT_EQ(std::string("ab\0cd", 5), S(GQStringSupport::ToGBuffer(QByteArray("ab\0cd", 5))));
    EXPECT_EQ(QByteArray("ab\0cd", 5), GQStringSupport::ToQByteArray(B(std::string("ab\0cd", 5))));
}

TEST_F(QStringSupportTest, NormalisingComposesAndTheOtherFormKeepsTheUnits) {
    QString const decomposed = QString::fromUtf8("e\xcc\x81");  // e and a combining acute
    EXPECT_EQ(2, GQStringSupport::ToGString(decomposed).GetEncodedBuffer().GetLength());
    EXPECT_EQ(4, GQStringSupport::ToGString(decomposed, false).GetEncodedBuffer().GetLength());
    EXPECT_EQ(QString::fromUtf8("é"), GQStringSupport::ToQString(GQStringSupport::ToGString(decomposed)));
}

TEST_F(QStringSupportTest, NamesKeepNilApart) {
    GName const nil = GQStringSupport::ToGName(QString());
    EXPECT_TRUE(nil.IsEmpty());
    EXPECT_TRUE(GQStringSupport::ToQString(nil).isNull());
    GName const name = GQStringSupport::ToGName(QString::fromUtf8("Größe"));
    EXPECT_EQ(GName(B("Größe")), name);
    EXPECT_EQ(QString::fromUtf8("Größe"), GQStringSupport::ToQString(name));
    // The foundation's names have no empty name besides nil.
    EXPECT_TRUE(GQStringSupport::ToGName(QString("")).IsEmpty());
}

TEST_F(QStringSupportTest, PathsAndTablesKeepTheirOrder) {
    GTable<GString> texts;
    texts.AddItem(T("one"));
    texts.AddItem(T("two\r\n"));
    EXPECT_EQ((QStringList{"one", "two\n"}), GQStringSupport::ToQStringList(texts));
    GTable<GPathName> paths;
    paths.AddItem(GPathName("/tmp/a b"));
    paths.AddItem(GPathName("rel/x"));
    EXPECT_EQ((QStringList{"/tmp/a b", "rel/x"}), GQStringSupport::ToQStringList(paths));

    GTable<GString> const back = GQStringSupport::ToGStringTable({"x", QString::fromUtf8("ÿ")});
    ASSERT_EQ(2, back.GetCount());
    EXPECT_EQ(T("ÿ"), back[1]);
    GTable<GPathName> const backPaths = GQStringSupport::ToGPathNameTable({"/a/./b", "/c"});
    ASSERT_EQ(2, backPaths.GetCount());
    EXPECT_EQ(GPathName("/a/b"), backPaths[0]);
    EXPECT_EQ(GPathName("/a/b"), GQStringSupport::ToGPathName("/a/b/"));
}

TEST_F(QStringSupportTest, StringPoolTextsAndLists) {
    static GStringPoolDataStruct const rows[] = {
        {39990100, "First\rline"}, {39990101, "Second"}, {39990102, "Third that is long enough to be broken into two lines "
                                                                     "for a tool tip, since it goes past eighty"}};
    GStringPoolData::AddEnglishTexts(rows, 3);
    EXPECT_EQ(QString("First\nline"), GQStringSupport::StringIDToQString(39990100));
    EXPECT_EQ(3, GQStringSupport::StringIDToQStringList(39990100).size());
    EXPECT_EQ(QStringList{"Second"}.first(), GQStringSupport::StringIDToQStringList(39990101).first());
    EXPECT_TRUE(GQStringSupport::StringIDToQStringList(39990199).isEmpty());
    EXPECT_TRUE(GQStringSupport::StringIDToQString(39990199).isEmpty());
    EXPECT_TRUE(GQStringSupport::StringIDToToolTipQString(39990102).contains('\n'));
}
