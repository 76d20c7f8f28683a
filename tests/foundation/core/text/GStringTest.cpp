#include "core/text/GString.h"

#include <gtest/gtest.h>

#include <clocale>
#include <ostream>
#include <string>

#include "core/base/GException.h"
#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/memory/GSharedObject.h"
#include "core/text/encodings/GASCIIEncoding.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "core/text/encodings/GUTF8Encoding.h"
#include "support/EncodingTestSetup.h"
#include "support/SingleByteTestSetup.h"

// Failures show the text and its encoding.
void PrintTo(GString const& s, std::ostream* os) {
    GBuffer utf8 = s.GetBuffer(GUTF8Encoding::GetInstance());
    *os << '"' << std::string(reinterpret_cast<char const*>(utf8.GetPtr()), utf8.GetLength()) << "\" ("
        << std::string(reinterpret_cast<char const*>(s.GetEncodingName().GetPtr()), s.GetEncodingName().GetLength())
        << ")";
}

namespace {

GEncoding const* ASCII() { return GASCIIEncoding::GetInstance(); }
GEncoding const* Unicode() { return GUnicodeEncoding::GetInstance(); }
GEncoding const* UTF8() { return GUTF8Encoding::GetInstance(); }

std::string NameOf(GString const& s) { return BytesOf(s.GetEncodingName()); }
std::u16string Units(GString const& s) { return UnitsOf(s.GetEncodedBuffer()); }

// Text as given, without normalising, in the named encoding.
GString Raw(std::u16string const& units) { return GString(UTF16Buffer(units), Unicode(), false); }
GString InUTF8(std::string const& bytes) { return GString(ByteBuffer(bytes), UTF8(), true); }
GString InASCII(std::string const& bytes) { return GString(ByteBuffer(bytes), ASCII(), true); }

class GStringTest : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
};

// ---- Construction ----

TEST_F(GStringTest, ConstructorsSetBytesAndEncoding) {
    struct Case {
        char const* label;
        GString made;
        char const* encoding;
        std::string bytes;
    };
    GString setInt;
    setInt.SetInt(7, 3);
    GString negativeDigits;
    negativeDigits.SetInt(-5, 3);
    GString high;
    high.SetWithHighPrecision(0.25);
    GString setNumber;
    setNumber.Set(42u);
    const Case cases[] = {
        {"default", GString(), "NULL", ""},
        {"ascii literal", GString("abc"), "ASCIIEncoding", "abc"},
        {"null literal", GString(static_cast<char const*>(nullptr)), "ASCIIEncoding", ""},
        {"int", GString(-12), "ASCIIEncoding", "-12"},
        {"unsigned", GString(4000000000u), "ASCIIEncoding", "4000000000"},
        {"long long", GString(-9000000000LL), "ASCIIEncoding", "-9000000000"},
        {"unsigned long long", GString(18000000000000000000ULL), "ASCIIEncoding", "18000000000000000000"},
        {"real", GString(1.5), "ASCIIEncoding", "1.5"},
        {"whole real", GString(2.0), "ASCIIEncoding", "2"},
        {"real with format", GString(2.5, GBuffer("%.3f")), "ASCIIEncoding", "2.5"},
        {"real with precision", GString(1.23456, 2), "ASCIIEncoding", "1.23"},
        {"SetInt", setInt, "ASCIIEncoding", "007"},
        {"SetInt negative", negativeDigits, "ASCIIEncoding", "-005"},
        {"SetWithHighPrecision", high, "ASCIIEncoding", "0.25"},
        {"Set unsigned", setNumber, "ASCIIEncoding", "42"},
        {"utf-8 kept", GString("h\xC3\xA9", UTF8(), true), "UTF-8Encoding", "h\xC3\xA9"},
        {"counted bytes", GString(reinterpret_cast<unsigned char const*>("abcdef"), 3, ASCII(), true),
         "ASCIIEncoding", "abc"},
        {"negative count", GString(reinterpret_cast<unsigned char const*>("abc"), -1, ASCII(), true),
         "ASCIIEncoding", ""},
        {"null text", GString(static_cast<char const*>(nullptr), UTF8(), true), "UTF-8Encoding", ""},
        // The encoding finds the length: a UTF-16 text ends at its first zero unit.
        {"unicode text", GString(reinterpret_cast<char const*>(u"AB\0C"), Unicode(), true), "UnicodeEncoding",
         std::string("A\0B\0", 4)},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(NameOf(c.made), c.encoding) << c.label;
        EXPECT_EQ(BytesOf(c.made.GetEncodedBuffer()), c.bytes) << c.label;
    }
}

TEST_F(GStringTest, KeepEncodingDecidesTheNormalForm) {
    // Kept: UTF-16 composes, UTF-8 has no normal form of its own.
    EXPECT_EQ(Units(GString(u"e\u0301", true)), u"\u00E9");
    GString utf8 = InUTF8("e\xCC\x81");
    EXPECT_EQ(NameOf(utf8), "UTF-8Encoding");
    EXPECT_EQ(BytesOf(utf8.GetEncodedBuffer()), "e\xCC\x81");

    // Not kept: the text becomes UTF-16 but is not composed.
    GString converted(ByteBuffer("e\xCC\x81"), UTF8(), false);
    EXPECT_EQ(NameOf(converted), "UnicodeEncoding");
    EXPECT_EQ(Units(converted), u"e\u0301");
    EXPECT_EQ(Units(GString(u"e\u0301", false)), u"e\u0301");
}

TEST_F(GStringTest, NormalisingWithoutEncodingThrowsAndKeepsTheString) {
    GString s("keep");
    try {
        s.Set(ByteBuffer("x"), nullptr, true);
        FAIL() << "no exception";
    } catch (GException const& e) {
        EXPECT_EQ(e.GetExceptionID(), 2450);
    }
    EXPECT_THROW(s.Set("x", nullptr, false), GException);
    EXPECT_THROW(GString(ByteBuffer("x"), nullptr, true), GException);
    EXPECT_EQ(s, GString("keep"));
}

TEST_F(GStringTest, ClearedStringHasNoEncodingAndReadsEmpty) {
    GString s(u"text");
    s.Clear();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.GetEncoding().Get(), nullptr);
    EXPECT_EQ(NameOf(s), "NULL");
    EXPECT_EQ(s, GString::cEmptyString);
    EXPECT_EQ(s, GString(u""));
    EXPECT_EQ(s.GetHash(), GString(u"").GetHash());
    s.EnsureUnicode();
    EXPECT_EQ(NameOf(s), "UnicodeEncoding");
    EXPECT_TRUE(s.IsEmpty());
}

TEST_F(GStringTest, EncodingIsSharedAndReleased) {
    GEncoding const* utf8 = UTF8();
    const int before = utf8->GetRefCount();
    {
        GString a = InUTF8("x");
        GString b(a);
        GTable<GString> table;
        for (int i = 0; i < 40; ++i)  // grows and moves the items
            table.InsertItemAt(0, b);
        EXPECT_EQ(utf8->GetRefCount(), before + 42);
        b.EnsureUnicode();  // lets go of UTF-8
        EXPECT_EQ(utf8->GetRefCount(), before + 41);
        a.Clear();
        EXPECT_EQ(utf8->GetRefCount(), before + 40);
    }
    EXPECT_EQ(utf8->GetRefCount(), before);
}

TEST_F(GStringTest, WorksWithoutTheSingletons) {
    // Strings made before start-up or after shutdown keep their text.
    GSharedObject<GASCIIEncoding> ascii(GASCIIEncoding::GetInstance());
    GSharedObject<GUnicodeEncoding> unicode(GUnicodeEncoding::GetInstance());
    GASCIIEncoding::SetInstance(nullptr);
    GUnicodeEncoding::SetInstance(nullptr);
    GString early("abc");
    GString wide(u"abc");
    GASCIIEncoding::SetInstance(ascii.Get());
    GUnicodeEncoding::SetInstance(unicode.Get());
    EXPECT_EQ(NameOf(early), "ASCIIEncoding");
    EXPECT_EQ(NameOf(wide), "UnicodeEncoding");
    EXPECT_EQ(early, GString("abc"));
    EXPECT_EQ(wide, GString(u"abc"));
    EXPECT_EQ(early.GetHash(), GString(u"abc").GetHash());
}

// ---- Conversion ----

TEST_F(GStringTest, GetBufferConvertsWithStatus) {
    struct Case {
        char const* label;
        GString s;
        GEncoding const* target;
        std::string bytes;
        int32_t status;
    };
    const Case cases[] = {
        {"no encoding", GString(), UTF8(), "", 1},
        {"no target", GString("a"), nullptr, "", 4},
        {"same encoding", InUTF8("h\xC3\xA9"), UTF8(), "h\xC3\xA9", 1},
        {"to utf-16 composes", InUTF8("e\xCC\x81"), Unicode(), "\xE9", 1},
        {"utf-16 to utf-8", GString(u"h\u00E9"), UTF8(), "h\xC3\xA9", 1},
        {"replaced", GString(u"h\u00E9"), ASCII(), "h@", 2},
        {"invalid utf-8", InUTF8("a\xFF"), Unicode(), "a", 4},
    };
    for (Case const& c : cases) {
        GBuffer out("junk");
        EXPECT_EQ(c.s.GetBuffer(out, c.target), c.status) << c.label;
        std::string expected = c.bytes;
        if (c.target == Unicode()) {  // one unit per expected byte
            std::u16string units(expected.begin(), expected.end());
            for (char16_t& u : units)
                u = static_cast<unsigned char>(u);
            EXPECT_EQ(UnitsOf(out), units) << c.label;
        } else {
            EXPECT_EQ(BytesOf(out), expected) << c.label;
        }
        EXPECT_EQ(BytesOf(c.s.GetBuffer(c.target)), BytesOf(out)) << c.label;
    }
}

TEST_F(GStringTest, AreCompatibleByEncodingName) {
    EXPECT_TRUE(GString::AreCompatible(ByteBuffer("abc"), ASCII()));
    EXPECT_FALSE(GString::AreCompatible(ByteBuffer("ab\x80"), ASCII()));
    EXPECT_TRUE(GString::AreCompatible(ByteBuffer("h\xC3\xA9"), UTF8()));
    EXPECT_FALSE(GString::AreCompatible(ByteBuffer("h\xC3"), UTF8()));
    EXPECT_TRUE(GString::AreCompatible(UTF16Buffer(u"\xD800"), Unicode()));
    EXPECT_FALSE(GString::AreCompatible(ByteBuffer("abc"), nullptr));
}

TEST_F(GStringTest, NumbersAreReadAsASCII) {
    EXPECT_EQ(GString(u" 42x").GetInt32(), 42);
    EXPECT_EQ(InUTF8("-7").GetInt32(), -7);
    EXPECT_EQ(GString(u"9000000000").GetInt64(), 9000000000LL);
    EXPECT_EQ(GString("4000000000").GetUInt32(), 4000000000u);
    EXPECT_DOUBLE_EQ(GString(u"1.5").GetReal(), 1.5);
    EXPECT_EQ(GString().GetInt32(), 0);
    // Reading leaves the string as it was.
    GString s("12");
    EXPECT_EQ(s.GetInt32(), 12);
    EXPECT_EQ(NameOf(s), "ASCIIEncoding");
}

// ---- Comparing and hashing ----

TEST_F(GStringTest, EqualityAndHashAcrossEncodings) {
    struct Case {
        char const* label;
        GString a;
        GString b;
        bool equal;
    };
    const Case cases[] = {
        {"ascii and utf-16", GString("abc"), GString(u"abc"), true},
        {"utf-8 and utf-16", InUTF8("h\xC3\xA9"), GString(u"h\u00E9"), true},
        {"decomposed utf-8 and composed utf-16", InUTF8("he\xCC\x81"), GString(u"h\u00E9"), true},
        {"ascii and utf-8", GString("abc"), InUTF8("abc"), true},
        {"replaced byte reads as @", InASCII("a\x80"), GString(u"a@"), true},
        {"no encoding and empty utf-16", GString(), GString(u""), true},
        {"no encoding and empty ascii", GString(), GString(""), true},
        {"different text", GString("abc"), GString(u"abd"), false},
        {"prefix", GString("ab"), GString(u"abc"), false},
        {"case differs", GString("abc"), GString(u"ABC"), false},
        // Only U(s) normalises: uncomposed UTF-16 stays as it is.
        {"uncomposed utf-16", Raw(u"e\u0301"), InUTF8("\xC3\xA9"), false},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(c.a == c.b, c.equal) << c.label;
        EXPECT_EQ(c.b == c.a, c.equal) << c.label;
        EXPECT_EQ(c.a != c.b, !c.equal) << c.label;
        if (c.equal) {
            EXPECT_EQ(c.a.GetHash(), c.b.GetHash()) << c.label;
        }
    }
    // The MurmurHash2 of the six UTF-16 bytes of "abc".
    EXPECT_EQ(GString("abc").GetHash(), 0x1d57a586u);
    EXPECT_EQ(GString(u"abc").GetHash(), 0x1d57a586u);
}

TEST_F(GStringTest, ASCIIHashMatchesTheUTF16Hash) {
    const std::string texts[] = {"", "a", "ab", "abc", "abcd", "abcde", std::string("\x00\x05\x7F\x80\xFF", 5),
                                 "The quick brown fox"};
    for (std::string const& text : texts) {
        GString ascii = InASCII(text);
        GBuffer units;
        ascii.GetBuffer(units, Unicode());
        EXPECT_EQ(ascii.GetHash(), units.GetHash()) << text;
        EXPECT_EQ(NameOf(ascii), "ASCIIEncoding");  // hashing changes nothing
    }
}

TEST_F(GStringTest, OrderIsThatOfTheUTF16Bytes) {
    struct Case {
        GString a;
        GString b;
        bool less;
        bool greater;
    };
    const Case cases[] = {
        // U+0100 is the bytes 00 01, "A" the bytes 41 00.
        {GString(u"\u0100"), GString("A"), true, false},
        {GString("a"), GString(u"b"), true, false},
        {GString("ab"), GString(u"a"), false, true},
        {GString("a"), GString(u"a"), false, false},
        {GString(), GString("a"), true, false},
        {InUTF8("\xC3\xA9"), GString("z"), false, true},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(c.a < c.b, c.less);
        EXPECT_EQ(c.a > c.b, c.greater);
        EXPECT_EQ(c.a <= c.b, !c.greater);
        EXPECT_EQ(c.a >= c.b, !c.less);
        EXPECT_EQ(GString::IsLessThan(c.a, c.b), c.less);
    }
    EXPECT_TRUE(GString::IsLessThanIgnoreCase(GString("ABC"), GString(u"abd")));
    EXPECT_FALSE(GString::IsLessThanIgnoreCase(GString("abc"), GString(u"ABC")));
    EXPECT_FALSE(GString::IsLessThanIgnoreCase(GString("ABC"), GString(u"abc")));
}

TEST_F(GStringTest, KeyOfDictionaryAndItemOfTable) {
    static_assert(GIsRelocatable<GString>::value, "a string moves bitwise");
    GDict<GString, int> dict;
    for (int i = 0; i < 200; ++i)  // grows and rehashes
        dict.Put(GString(i), i);
    dict.Put(InUTF8("h\xC3\xA9"), -1);
    int slot;
    ASSERT_TRUE(dict.GetExistingIndex(GString(u"150"), slot));
    EXPECT_EQ(dict.GetValueAt(slot), 150);
    ASSERT_TRUE(dict.GetExistingIndex(GString(u"h\u00E9"), slot));
    EXPECT_EQ(dict.GetValueAt(slot), -1);
    dict.Put(GString(u"150"), 7);  // the same key in another encoding
    EXPECT_EQ(dict.GetCount(), 201);

    GTable<GString> table;
    table.AddItem(GString("b"));
    table.InsertItemAt(0, GString(u"a"));
    table.AddItem(InUTF8("c"));
    EXPECT_EQ(table.FindItem(GString(u"c")), 2);
    table.RemoveItemAt(0);
    EXPECT_EQ(table[0], GString("b"));
    EXPECT_EQ(table.GetCount(), 2);
}

// ---- Case ----

TEST_F(GStringTest, CaseMappingIsSimpleAndKeepsTheLength) {
    struct Case {
        std::u16string text;
        std::u16string lower;
        std::u16string upper;
    };
    const Case cases[] = {
        {u"AbC", u"abc", u"ABC"},
        {u"\u00C0\u00E9", u"\u00E0\u00E9", u"\u00C0\u00C9"},
        // Turkish dotted and dotless I map the same in every locale.
        {u"I\u0130i\u0131", u"i\u0069i\u0131", u"I\u0130II"},
        // Full mappings would change the length: sharp s and the ligature stay.
        {u"\u00DF\uFB01", u"\u00DF\uFB01", u"\u00DF\uFB01"},
        // Surrogate pairs are mapped as one code point; lone halves are left alone.
        {u"\U00010400\U00010428", u"\U00010428\U00010428", u"\U00010400\U00010400"},
        {u"\xD801" u"A", u"\xD801" u"a", u"\xD801" u"A"},
        {u"", u"", u""},
    };
    for (Case const& c : cases) {
        GString lower(c.text.c_str(), false);
        lower.ToLower();
        EXPECT_EQ(Units(lower), c.lower);
        GString upper(c.text.c_str(), false);
        upper.ToUpper();
        EXPECT_EQ(Units(upper), c.upper);
    }
    GString ascii("MiXeD");
    ascii.ToLower();
    EXPECT_EQ(NameOf(ascii), "UnicodeEncoding");
    EXPECT_EQ(Units(ascii), u"mixed");
    GString none;
    none.ToUpper();
    EXPECT_EQ(none.GetEncoding().Get(), nullptr);
}

// Restores the process locale when a test that changes it ends.
class LocaleGuard {
public:
    LocaleGuard() : mSaved(std::setlocale(LC_ALL, nullptr)) {}
    ~LocaleGuard() { std::setlocale(LC_ALL, mSaved.c_str()); }

private:
    std::string mSaved;
};

TEST_F(GStringTest, CaseMappingIgnoresTheLocale) {
    LocaleGuard guard;
    GString path("/Users/FILE.TXT");
    std::u16string lowered[2];
    uint32_t hashes[2] = {};
    char const* locales[] = {"C", "tr_TR.UTF-8"};
    for (int i = 0; i < 2; ++i) {
        if (std::setlocale(LC_ALL, locales[i]) == nullptr)
            GTEST_SKIP() << "locale " << locales[i] << " is not installed (scripts/install-deps generates it)";
        GString s(path);
        s.ToLower();
        lowered[i] = Units(s);
        hashes[i] = s.GetHash();
        GString upper(u"i\u00E9");
        upper.ToUpper();
        EXPECT_EQ(Units(upper), u"I\u00C9") << locales[i];
        EXPECT_FALSE(GString::IsLessThanIgnoreCase(GString("FILE"), GString(u"file"))) << locales[i];
        EXPECT_FALSE(GString::IsLessThanIgnoreCase(GString(u"file"), GString("FILE"))) << locales[i];
    }
    EXPECT_EQ(lowered[0], u"/users/file.txt");
    EXPECT_EQ(lowered[1], lowered[0]);
    EXPECT_EQ(hashes[1], hashes[0]);
}

// ---- Joining ----

TEST_F(GStringTest, ConcatenationFollowsTheEncodings) {
    struct Case {
        char const* label;
        GString a;
        GString b;
        char const* encoding;
        std::string bytes;  // in that encoding; UTF-16 written as its units' low bytes
    };
    const Case cases[] = {
        {"empty left takes the right", GString(), InUTF8("x\xC3\xA9"), "UTF-8Encoding", "x\xC3\xA9"},
        {"empty encoded left takes the right", GString(""), InUTF8("x"), "UTF-8Encoding", "x"},
        {"empty right changes nothing", InUTF8("x"), GString(), "UTF-8Encoding", "x"},
        {"same encoding appends bytes", InUTF8("a"), InUTF8("\xC3\xA9"), "UTF-8Encoding", "a\xC3\xA9"},
        {"utf-16 left converts the right", GString(u"a"), InUTF8("\xC3\xA9"), "UnicodeEncoding", "a\xE9"},
        {"utf-16 right converts the left", InUTF8("\xC3\xA9"), GString(u"b"), "UnicodeEncoding", "\xE9" "b"},
        {"two others meet in utf-16", GString("a"), InUTF8("\xC3\xA9"), "UnicodeEncoding", "a\xE9"},
    };
    for (Case const& c : cases) {
        GString sum = c.a + c.b;
        EXPECT_EQ(NameOf(sum), c.encoding) << c.label;
        if (NameOf(sum) == "UnicodeEncoding") {
            std::u16string units;
            for (char ch : c.bytes)
                units += static_cast<char16_t>(static_cast<unsigned char>(ch));
            EXPECT_EQ(Units(sum), units) << c.label;
        } else {
            EXPECT_EQ(BytesOf(sum.GetEncodedBuffer()), c.bytes) << c.label;
        }
    }
}

TEST_F(GStringTest, ConcatenationEdges) {
    // No composition across the seam.
    GString e(u"e");
    e += GString(u"\u0301");
    EXPECT_EQ(Units(e), u"e\u0301");
    // Appending a string to itself.
    GString self("ab");
    self += self;
    EXPECT_EQ(BytesOf(self.GetEncodedBuffer()), "abab");
    GString wide(u"xy");
    wide += wide;
    EXPECT_EQ(Units(wide), u"xyxy");
    // A dangling odd byte does not shift the units appended after it.
    GString odd(GBuffer(reinterpret_cast<unsigned char const*>(u"a"), 3), Unicode(), false);
    odd += GString(u"bc");
    EXPECT_EQ(Units(odd), u"abc");
}

// ---- Positions ----

TEST_F(GStringTest, SearchesWorkInUnits) {
    GString s("abc");
    EXPECT_EQ(s.FindFirst('b', 0), 1);
    EXPECT_EQ(NameOf(s), "UnicodeEncoding");
    EXPECT_EQ(s.GetEncodedBuffer().GetLength(), 6);

    GString t(u"a\u00E9ba\u00E9b");
    const unsigned short set[] = {'b', 0xE9};
    EXPECT_EQ(t.FindFirst('a', 1), 3);
    EXPECT_EQ(t.FindFirst('a', -5), 0);
    EXPECT_EQ(t.FindFirst('a', 99), -1);
    EXPECT_EQ(t.FindFirst('z', 0), -1);
    EXPECT_EQ(t.FindFirst(set, 2, 0), 1);
    EXPECT_EQ(t.FindFirst(set, 2, 3), 4);
    EXPECT_EQ(t.FindFirstNot('a', 0), 1);
    EXPECT_EQ(t.FindFirstNot(set, 2, 1), 3);
    EXPECT_EQ(GString(u"bbb").FindFirstNot('b', 0), -1);
    EXPECT_EQ(t.FindLast('a', 99), 3);
    EXPECT_EQ(t.FindLast('a', 2), 0);
    EXPECT_EQ(t.FindLast('a', -1), -1);
    EXPECT_EQ(t.FindLast(0xE9), 4);

    GString what = InUTF8("\xC3\xA9" "b");
    EXPECT_EQ(t.Find(what, 0), 1);
    EXPECT_EQ(NameOf(what), "UnicodeEncoding");  // the argument is converted in place
    EXPECT_EQ(t.Find(what, 2), 4);
    EXPECT_EQ(t.Find(what, 5), -1);
    EXPECT_EQ(t.Find(GString(u""), 3), 0);
    EXPECT_EQ(t.Find(GString("ba"), -2), 2);
}

TEST_F(GStringTest, SubstringsClipToTheText) {
    struct Case {
        int pos;
        int n;
        std::u16string expected;
    };
    const Case cases[] = {
        {1, -1, u"ello"}, {10, 2, u""}, {0, 0, u""}, {3, 10, u"lo"},
        {0, 5, u"hello"}, {5, 1, u""},  {-2, 3, u"h"}, {2, -7, u"llo"},
    };
    GString hello("hello");
    for (Case const& c : cases) {
        GString sub = hello.GetSubstring(c.pos, c.n);
        EXPECT_EQ(Units(sub), c.expected) << c.pos << "," << c.n;
        EXPECT_EQ(NameOf(sub), "UnicodeEncoding");
        GString out("old");
        hello.GetSubstring(out, c.pos, c.n);
        EXPECT_EQ(Units(out), c.expected) << c.pos << "," << c.n;
        EXPECT_EQ(NameOf(out), "UnicodeEncoding");
    }
    // The new string is composed, the out form is not; out may be the string itself.
    GString raw = Raw(u"xe\u0301");
    EXPECT_EQ(Units(raw.GetSubstring(1, -1)), u"\u00E9");
    GString out;
    raw.GetSubstring(out, 1, -1);
    EXPECT_EQ(Units(out), u"e\u0301");
    raw.GetSubstring(raw, 1, 1);
    EXPECT_EQ(Units(raw), u"e");
}

TEST_F(GStringTest, RemoveAndInsertClipToTheText) {
    struct RemoveCase {
        int pos;
        int n;
        std::u16string expected;
    };
    const RemoveCase removes[] = {
        {1, 2, u"ado"}, {0, 5, u""}, {3, 99, u"abc"}, {5, 1, u"abcdo"}, {99, 1, u"abcdo"},
        {-1, 2, u"bcdo"}, {1, 0, u"abcdo"}, {1, -3, u"abcdo"},
    };
    for (RemoveCase const& c : removes) {
        GString s("abcdo");
        s.Remove(c.pos, c.n);
        EXPECT_EQ(Units(s), c.expected) << c.pos << "," << c.n;
    }

    struct InsertCase {
        int pos;
        std::u16string expected;
    };
    const InsertCase inserts[] = {{0, u"\u00E9!ab"}, {1, u"a\u00E9!b"}, {2, u"ab\u00E9!"}, {3, u"ab"}, {-1, u"ab"}};
    for (InsertCase const& c : inserts) {
        GString s("ab");
        s.Insert(c.pos, InUTF8("\xC3\xA9!"));
        EXPECT_EQ(Units(s), c.expected) << c.pos;
        GString unit("ab");
        unit.Insert(c.pos, static_cast<unsigned short>(0xE9));
        std::u16string expected = c.expected;
        auto at = expected.find(u"\u00E9!");
        if (at != std::u16string::npos)
            expected.erase(at + 1, 1);
        EXPECT_EQ(Units(unit), expected) << c.pos;
    }
    GString self(u"xy");
    self.Insert(1, self);
    EXPECT_EQ(Units(self), u"xxyy");
}

TEST_F(GStringTest, ReplaceEveryOccurrence) {
    struct Case {
        char const* label;
        std::u16string text;
        int pos;
        std::u16string what;
        std::u16string with;
        bool found;
        std::u16string expected;
    };
    const Case cases[] = {
        {"remove every a", u"banana", 0, u"a", u"", true, u"bnn"},
        {"from a position", u"banana", 2, u"a", u"o", true, u"banono"},
        {"inserted text is not searched again", u"aaa", 0, u"a", u"aa", true, u"aaaaaa"},
        {"longer pattern", u"abcabc", 0, u"bc", u"X", true, u"aXaX"},
        {"not found", u"abc", 0, u"d", u"x", false, u"abc"},
        {"position past the end", u"abc", 10, u"a", u"x", false, u"abc"},
        {"negative position", u"abc", -3, u"a", u"x", true, u"xbc"},
        {"empty search text", u"abc", 0, u"", u"x", false, u"abc"},
    };
    for (Case const& c : cases) {
        GString s(c.text.c_str());
        EXPECT_EQ(s.Replace(c.pos, GString(c.what.c_str()), GString(c.with.c_str())), c.found) << c.label;
        EXPECT_EQ(Units(s), c.expected) << c.label;
    }
    // The arguments become UTF-16 in place; a string may search itself.
    GString s("abc");
    GString what = InUTF8("b");
    GString with("\xC3\xA9", UTF8());
    EXPECT_TRUE(s.Replace(0, what, with));
    EXPECT_EQ(Units(s), u"a\u00E9c");
    EXPECT_EQ(NameOf(what), "UnicodeEncoding");
    EXPECT_EQ(NameOf(with), "UnicodeEncoding");
    EXPECT_TRUE(s.Replace(0, s, GString("z")));
    EXPECT_EQ(Units(s), u"z");
}

TEST_F(GStringTest, ReplaceUnits) {
    GString s("banana");
    EXPECT_TRUE(s.Replace(0, 'a', 'a'));
    EXPECT_EQ(Units(s), u"banana");
    EXPECT_TRUE(s.Replace(2, 'a', 'o'));
    EXPECT_EQ(Units(s), u"banono");
    EXPECT_FALSE(s.Replace(0, 'z', 'y'));
    EXPECT_FALSE(s.Replace(99, 'b', 'y'));
    EXPECT_EQ(Units(s), u"banono");
}

// ---- Placeholders ----

TEST_F(GStringTest, SubstituteParams) {
    struct Case {
        char const* label;
        std::u16string text;
        std::u16string params[3];
        int count;
        std::u16string expected;
    };
    const Case cases[] = {
        {"reordered", u"%2 %1", {u"a", u"b"}, 2, u"b a"},
        {"repeated", u"%1 %1", {u"x"}, 1, u"x x"},
        {"in turn", u"%s and %s", {u"a", u"b"}, 2, u"a and b"},
        {"missing parameter stays", u"%3", {u"a", u"b"}, 2, u"%3"},
        {"inserted text is not scanned", u"%1", {u"%1"}, 1, u"%1"},
        {"inserted %s is not scanned", u"%s%s", {u"%s", u"b"}, 2, u"%sb"},
        {"adjacent placeholders", u"%1%2", {u"a", u"b"}, 2, u"ab"},
        {"adjacent after an empty one", u"%1%2", {u"", u"b"}, 2, u"b"},
        {"adjacent %s", u"%s%s", {u"a", u"b"}, 2, u"ab"},
        {"after an inserted text", u"%1x", {u"a"}, 1, u"ax"},
        {"percent is no escape", u"%%1", {u"a"}, 1, u"%a"},
        {"zero and a last percent stay", u"%0 %", {u"a"}, 1, u"%0 %"},
        {"only replaced %s count", u"%s %1 %s", {u"a", u"b"}, 2, u"a a b"},
        {"more %s than parameters", u"%s %s %s", {u"a", u"b"}, 2, u"a b %s"},
        {"composed result", u"e%1", {u"\u0301"}, 1, u"\u00E9"},
        {"no parameters", u"%1 %s", {}, 0, u"%1 %s"},
    };
    for (Case const& c : cases) {
        GString s(c.text.c_str());
        GString params[3] = {GString(c.params[0].c_str()), GString(c.params[1].c_str()), GString(c.params[2].c_str())};
        GTable<GString const*> table;
        for (int i = 0; i < c.count; ++i)
            table.AddItem(&params[i]);
        EXPECT_EQ(&s.SubstituteParams(table), &s);
        EXPECT_EQ(Units(s), c.expected) << c.label;
        EXPECT_EQ(NameOf(s), "UnicodeEncoding") << c.label;
    }
}

TEST_F(GStringTest, SubstituteParamsForms) {
    GString one("%1!");
    EXPECT_EQ(Units(one.SubstituteParams(InUTF8("\xC3\xA9"))), u"\u00E9!");
    GString two(u"%2-%1");
    EXPECT_EQ(Units(two.SubstituteParams(GString("a"), GString("b"))), u"b-a");
    GString three("%3%2%1");
    EXPECT_EQ(Units(three.SubstituteParams(GString("a"), GString("b"), GString("c"))), u"cba");
    GString a("a");
    GString b("b");
    GString c("c");
    GString list("%1%2%3%4");
    EXPECT_EQ(Units(list.SubstituteParams(&a, &b, &c, static_cast<GString const*>(nullptr))), u"abc%4");
    // A null entry in the table counts as empty; a string may be its own parameter.
    GString withNull("<%1|%2>");
    GTable<GString const*> table;
    table.AddItem(nullptr);
    table.AddItem(&b);
    EXPECT_EQ(Units(withNull.SubstituteParams(table)), u"<|b>");
    GString self("[%1]");
    EXPECT_EQ(Units(self.SubstituteParams(self)), u"[[%1]]");
}

TEST_F(GStringTest, CountsSubstitutes) {
    EXPECT_EQ(GString("%1 %s %% %x").GetNumSubstitutes(), 2);
    EXPECT_EQ(GString("%%1").GetNumSubstitutes(), 1);
    EXPECT_EQ(GString("%0%").GetNumSubstitutes(), 0);
    EXPECT_EQ(GString().GetNumSubstitutes(), 0);
    EXPECT_EQ(InUTF8("\xC3\xA9%9%1%1").GetNumSubstitutes(), 3);
}

// ---- Single-byte encodings ----

GString In(GEncoding const* encoding, std::string const& bytes) { return GString(ByteBuffer(bytes), encoding, true); }

TEST_F(GStringTest, SingleByteTextsMeetThroughUTF16) {
    GEncoding const* macRoman = GMacRomanEncoding::GetInstance();
    GEncoding const* winAnsi = GWinAnsiEncoding::GetInstance();
    GEncoding const* pdfDoc = GPDFDocEncoding::GetInstance();
    GEncoding const* standard = GStandardEncoding::GetInstance();
    // "café ü" in each encoding's own bytes.
    const GString texts[] = {In(macRoman, "caf\x8E \x9F"), In(winAnsi, "caf\xE9 \xFC"), In(pdfDoc, "caf\xE9 \xFC"),
                             In(standard, "caf"), GString(u"caf\u00E9 \u00FC"), InUTF8("caf\xC3\xA9 \xC3\xBC")};
    for (GString const& a : texts) {
        for (GString const& b : texts) {
            if (&a == &texts[3] || &b == &texts[3]) {  // Standard has no accented letters
                EXPECT_EQ(a == b, &a == &b);
                continue;
            }
            EXPECT_EQ(a, b) << NameOf(a) << " " << NameOf(b);
            EXPECT_EQ(a.GetHash(), b.GetHash()) << NameOf(a) << " " << NameOf(b);
            EXPECT_FALSE(a < b);
        }
    }
    // Joined, the two single-byte texts meet in UTF-16.
    GString sum = texts[0] + texts[1];
    EXPECT_EQ(NameOf(sum), "UnicodeEncoding");
    EXPECT_EQ(Units(sum), u"caf\u00E9 \u00FCcaf\u00E9 \u00FC");
    // Converted into another single-byte encoding.
    GBuffer out;
    EXPECT_EQ(texts[0].GetBuffer(out, winAnsi), 1);
    EXPECT_EQ(BytesOf(out), "caf\xE9 \xFC");
    EXPECT_EQ(GString(u"\u0100").GetBuffer(out, macRoman), 2);
    EXPECT_EQ(BytesOf(out), "@");
    // Positions count units of the composed text.
    GString mac = In(macRoman, "ab\x8E");
    EXPECT_EQ(mac.FindFirst(0xE9, 0), 2);
    EXPECT_EQ(NameOf(mac), "UnicodeEncoding");
}

TEST_F(GStringTest, AreCompatibleForSingleByteEncodings) {
    struct Case {
        GEncoding const* encoding;
        std::string bytes;
        bool compatible;
    };
    const Case cases[] = {
        {GMacRomanEncoding::GetInstance(), "caf\x8E", true},
        {GMacRomanEncoding::GetInstance(), "\xF0", false},  // the Apple logo has no value here
        {GWinAnsiEncoding::GetInstance(), "caf\xE9", true},
        {GPDFDocEncoding::GetInstance(), "\xE9\xA0", true},
        // Encodings outside the known names are taken on trust.
        {GStandardEncoding::GetInstance(), std::string("\x00\xFF", 2), true},
        {GMacExpertEncoding::GetInstance(), "\xFF", true},
    };
    for (Case const& c : cases)
        EXPECT_EQ(GString::AreCompatible(ByteBuffer(c.bytes), c.encoding), c.compatible) << NameOf(In(c.encoding, ""));
}

} // namespace
