// Messages rendered when read: ids, literals, typed substitutions, equality and hashing.
#include <gtest/gtest.h>

#include <string>

#include "core/base/GException.h"
#include "core/text/GStringPool.h"
#include "core/text/GLngString.h"
#include "support/ExceptionTestText.h"

namespace {

constexpr int kFilesCopied = 990001;
constexpr int kFolder = 990002;

class GLngStringTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartFoundation();
        GException::Initialize();
        GStringPool::SetString(GStringPool::GetTable(GStringPool::GetEnglish()), kFilesCopied, GString("%1 files copied to %2"));
        GStringPool::SetString(GStringPool::GetTable(GStringPool::GetEnglish()), kFolder, GString("the output folder"));
    }

    static GLngString Literal(const char* text) { return GLngString(GString(text)); }
};

TEST_F(GLngStringTest, ALiteralTakesItsStringsByPosition) {
    GLngString message = Literal("Moving %1 to %2");
    message.AddString(GString("a.pdf"));
    message.AddString(GString("/out"));
    EXPECT_EQ(Text(message), "Moving a.pdf to /out");
    EXPECT_FALSE(message.IsTranslatable());
}

TEST_F(GLngStringTest, ItemsOfEveryKindAreRendered) {
    GLngString message(kFilesCopied);
    message.AddInt32(-12);
    message.AddStringID(kFolder);
    EXPECT_EQ(Text(message), "-12 files copied to the output folder");

    GLngString nested = Literal("Done: %s (%s)");
    nested.AddLngString(message);
    nested.AddString(GString("ok"));
    EXPECT_EQ(Text(nested), "Done: -12 files copied to the output folder (ok)");
}

TEST_F(GLngStringTest, ATextWithoutPlaceholdersIgnoresItsItems) {
    GLngString message = Literal("plain");
    message.AddInt32(1);
    EXPECT_EQ(Text(message), "plain");
}

TEST_F(GLngStringTest, AStringIDItemWithoutTextRendersAsNothing) {
    GLngString message = Literal("[%1]");
    message.AddStringID(987001);
    GString out;
    EXPECT_TRUE(message.GetReadableString(GString("enUS"), out));
    EXPECT_EQ(Text(out), "[]");
}

TEST_F(GLngStringTest, MissingTextsFailTheRendering) {
    GString out("untouched");
    EXPECT_FALSE(GLngString(987002).GetReadableString(GString("enUS"), out));
    EXPECT_EQ(Text(out), "untouched");

    // Only English is known so far.
    EXPECT_FALSE(GLngString(2450).GetReadableString(GString("deDE"), out));
    EXPECT_TRUE(GLngString(2450).GetReadableString(GString("enUS"), out));
    EXPECT_EQ(Text(out), "General Exception");

    GLngString outer = Literal("before %1");
    outer.AddLngString(GLngString(987003));
    EXPECT_FALSE(outer.GetReadableString(GString("enUS"), out));
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(Text(outer), "");
}

TEST_F(GLngStringTest, ConcatenationJoinsTheTwoMessages) {
    GLngString message(40066);
    message += Literal("x");
    EXPECT_EQ(Text(message), "Path is not relativex");
    EXPECT_EQ(message.GetBaseStringID(), 40066);

    GLngString empty;
    GLngString other(40067);
    other.AddInt32(3);
    empty += other;
    EXPECT_EQ(empty, other);

    GLngString unchanged = other;
    unchanged += GLngString();
    EXPECT_EQ(unchanged, other);

    GLngString twice = Literal("ab");
    twice += twice;
    EXPECT_EQ(Text(twice), "abab");
}

TEST_F(GLngStringTest, EmptinessLooksAtIdAndLiteralOnly) {
    EXPECT_TRUE(GLngString().IsEmpty());
    EXPECT_TRUE(GLngString(0).IsEmpty());
    EXPECT_TRUE(Literal("").IsEmpty());
    GLngString withItems;
    withItems.AddInt32(5);
    EXPECT_TRUE(withItems.IsEmpty());
    EXPECT_FALSE(GLngString(2450).IsEmpty());
    EXPECT_FALSE(Literal(" ").IsEmpty());
}

TEST_F(GLngStringTest, CopiesAreDeepAndIndependent) {
    GLngString inner = Literal("%1");
    inner.AddString(GString("inside"));
    GLngString original(kFilesCopied);
    original.AddLngString(inner);
    GLngString copy = original;
    GLngString assigned;
    assigned = original;
    original.AddInt32(7);
    EXPECT_NE(copy, original);
    EXPECT_EQ(copy, assigned);
    EXPECT_EQ(copy.GetItemCount(), 1);
    EXPECT_EQ(Text(copy), "inside files copied to %2");
}

struct EqualityCase {
    const char* name;
    GLngString (*make)();
};

GLngString WithInt() {
    GLngString m(kFilesCopied);
    m.AddInt32(5);
    return m;
}
GLngString WithStringIDOfSameValue() {
    GLngString m(kFilesCopied);
    m.AddStringID(5);
    return m;
}
GLngString WithTwoInts() {
    GLngString m = WithInt();
    m.AddInt32(5);
    return m;
}
GLngString WithString() {
    GLngString m(kFilesCopied);
    m.AddString(GString("5"));
    return m;
}
GLngString WithNested() {
    GLngString m(kFilesCopied);
    m.AddLngString(WithInt());
    return m;
}
GLngString LiteralOfSameText() { return GLngString(GString("%1 files copied to %2")); }
GLngString OtherID() {
    GLngString m(kFolder);
    m.AddInt32(5);
    return m;
}

TEST_F(GLngStringTest, EqualityComparesIdLiteralAndEveryItemByTypeAndValue) {
    const EqualityCase cases[] = {
        {"int", WithInt},       {"string id", WithStringIDOfSameValue}, {"two ints", WithTwoInts},
        {"string", WithString}, {"nested", WithNested},                 {"literal", LiteralOfSameText},
        {"other id", OtherID},
    };
    for (const EqualityCase& a : cases) {
        for (const EqualityCase& b : cases) {
            SCOPED_TRACE(std::string(a.name) + " / " + b.name);
            const GLngString x = a.make();
            const GLngString y = b.make();
            EXPECT_EQ(x == y, a.make == b.make);
            EXPECT_EQ(x != y, a.make != b.make);
            if (a.make == b.make) {
                EXPECT_EQ(x.GetHash(), y.GetHash());
            }
        }
    }
}

TEST_F(GLngStringTest, StringsOfDifferentEncodingsCompareAndHashByText) {
    GLngString ascii = Literal("%1");
    ascii.AddString(GString("caf"));
    GLngString unicode = GLngString(GString(u"%1"));
    unicode.AddString(GString(u"caf"));
    EXPECT_EQ(ascii, unicode);
    EXPECT_EQ(ascii.GetHash(), unicode.GetHash());
}

TEST_F(GLngStringTest, TheHashAddsIdLiteralAndItems) {
    GLngString message(1000);
    message.AddInt32(20);
    message.AddStringID(300);
    EXPECT_EQ(message.GetHash(), 1000u + GString().GetHash() + 20u + 300u);
    GLngString withString;
    withString.AddString(GString("abc"));
    EXPECT_EQ(withString.GetHash(), GString().GetHash() + GString("abc").GetHash());
}

TEST_F(GLngStringTest, TheBaseIDIsTheFirstIdFound) {
    EXPECT_EQ(GLngString(40010).GetBaseStringID(), 40010);
    EXPECT_EQ(Literal("x").GetBaseStringID(), 0);

    GLngString literal = Literal("%1 %2 %3");
    literal.AddInt32(99);
    literal.AddString(GString("s"));
    literal.AddStringID(40012);
    EXPECT_EQ(literal.GetBaseStringID(), 40012);

    GLngString nested = Literal("%1%2");
    nested.AddLngString(Literal("no id"));
    nested.AddLngString(literal);
    EXPECT_EQ(nested.GetBaseStringID(), 40012);
}

}  // namespace
