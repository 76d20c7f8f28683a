// Messages rendered when read: ids, literals, typed substitutions, equality and hashing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "core/base/GException.h"
#include "core/text/GStringPool.h"
#include "core/text/GLngString.h"
#include "core/text/encodings/GUTF8Encoding.h"
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

namespace {

// Stands for GPathName, which lives above this layer.
struct FakePath {
    GString text;
    const GString& GetCrossPlatformString() const { return text; }
};

void BracketedPoints(double points, GString& out) { out = GString((std::string("[") + std::to_string(static_cast<int>(points)) + " pt]").c_str()); }

GLngString EveryKind() {
    GLngString message(GString("%1|%2|%3|%4|%5|%6"));
    message.AddStringID(kFolder);
    message.AddInt32(-2147483647 - 1);
    message.AddString(GString("a \"quoted\" %1 text"));
    message.AddPathName(FakePath{GString("/Volumes/Out/a b.pdf")});
    GLngString nested(kFilesCopied);
    nested.AddInt32(3);
    nested.AddString(GString(""));
    message.AddLngString(nested);
    message.AddMeasurement(72.5);
    return message;
}

TEST_F(GLngStringTest, EverySubstitutionType) {
    EXPECT_EQ(Text(EveryKind()),
              "the output folder|-2147483648|a \"quoted\" %1 text|/Volumes/Out/a b.pdf|3 files copied to |72.5 pt");
    GLngString::SetMeasurementFormatter(&BracketedPoints);
    GLngString measured(GString("%s"));
    measured.AddMeasurement(12);
    EXPECT_EQ(Text(measured), "[12 pt]");
    GLngString::SetMeasurementFormatter(nullptr);
    EXPECT_EQ(Text(measured), "12 pt");
}

TEST_F(GLngStringTest, TheTextFormReadsBack) {
    GString text;
    GLngString::ToString(Literal("ab"), text);
    EXPECT_EQ(Text(text), "S 2 ab 0");
    GLngString::ToString(GLngString(40066), text);
    EXPECT_EQ(Text(text), "s 40066 0");

    GLngString nan(GString("%1"));
    nan.AddMeasurement(std::nan(""));
    GLngString unicode(GString("\xE6\x97\xA5 %1", GUTF8Encoding::GetInstance()));
    unicode.AddString(GString("\xF0\x9F\x98\x80", GUTF8Encoding::GetInstance()));  // two UTF-16 units
    const GLngString messages[] = {GLngString(), Literal("ab"), GLngString(-5), EveryKind(), unicode};
    for (const GLngString& message : messages) {
        GLngString::ToString(message, text);
        std::unique_ptr<GLngString> back(GLngString::FromString(text));
        EXPECT_TRUE(*back == message) << Text(text);
        EXPECT_EQ(back->GetHash(), message.GetHash());
    }
    GLngString::ToString(EveryKind(), text);
    EXPECT_EQ(Text(text), "S 17 %1|%2|%3|%4|%5|%6 6 s 990002 i -2147483648 S 18 a \"quoted\" %1 text p 20 /Volumes/Out/a b.pdf "
                          "l 19 s 990001 2 i 3 S 0  m 72.5");
}

// Appending builds one nesting level per step; the text form is written only as deep as it is read.
TEST_F(GLngStringTest, ADeeplyNestedMessageIsWrittenOnlyWhenItReadsBack) {
    for (int depth : {GLngString::cMaxNesting, GLngString::cMaxNesting + 1, GLngString::cMaxNesting + 2}) {
        SCOPED_TRACE(depth);
        GLngString message = Literal("x");
        for (int i = 0; i < depth; ++i)
            message += Literal("y");
        GString text;
        const bool written = GLngString::ToString(message, text);
        EXPECT_EQ(written, depth <= GLngString::cMaxNesting);
        std::unique_ptr<GLngString> back(GLngString::FromString(text));
        if (written) {
            EXPECT_TRUE(*back == message);
        } else {
            EXPECT_TRUE(text.IsEmpty());
            EXPECT_TRUE(back->IsEmpty());
        }
    }
}

TEST_F(GLngStringTest, TheTextFormIsReadWithinItsBounds) {
    std::string inner = "S 0  0";
    for (int i = 0; i < GLngString::cMaxNesting + 5; ++i)
        inner = "S 0  1 l " + std::to_string(inner.size()) + " " + inner;
    struct Case {
        std::string text;
        bool empty;
    } const cases[] = {
        {"", true},
        {"S", true},
        {"S 5 ab 0", true},               // a length past the end
        {"S 2 ab 1 S 99 x", true},        // an item's length past the end
        {"S 2 ab 1 l 50 S 1 x 0", true},  // a nested message longer than the text
        {"S -1 ab 0", true},
        {"S 2 ab 2000000000", true},      // more items than the text could hold
        {"s 99999999999 0", true},        // an id beyond 32 bits
        {"x 1 0", true},                  // an unknown head
        {"S 2 ab 1 q 5", true},           // an unknown item type
        {"S 2 ab 1 m abc", true},
        {inner, true},                    // nested deeper than the cap
        {"s 12 0", false},
        {"S 2 ab 1 i -7", false},
        {"S 2 ab 1 m 1e3", false},
    };
    for (const Case& c : cases) {
        std::unique_ptr<GLngString> message(GLngString::FromString(GString(c.text.c_str())));
        EXPECT_EQ(message->IsEmpty() && message->GetItemCount() == 0, c.empty) << c.text.substr(0, 40);
    }
}

TEST_F(GLngStringTest, MeasurementsCompareAndHashByValue) {
    GLngString nan(GString("%1"));
    nan.AddMeasurement(std::nan(""));
    EXPECT_FALSE(nan == GLngString(nan));
    GLngString a(GString("%1"));
    a.AddMeasurement(12.25);
    GLngString b(GString("%1"));
    b.AddMeasurement(12.25);
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.GetHash(), b.GetHash());
    GLngString zero(GString("%1"));
    zero.AddMeasurement(0);
    EXPECT_EQ(zero.GetHash(), Literal("%1").GetHash());  // 0 and NaN add nothing
    EXPECT_EQ(nan.GetHash(), Literal("%1").GetHash());
    // The exclusive-or of the double's bytes, each taken as signed.
    double value = 12.25;
    unsigned char bytes[8];
    std::memcpy(bytes, &value, 8);
    signed char folded = 0;
    for (unsigned char byte : bytes)
        folded = static_cast<signed char>(folded ^ static_cast<signed char>(byte));
    EXPECT_EQ(a.GetHash(), Literal("%1").GetHash() + static_cast<uint32_t>(static_cast<int32_t>(folded)));
}

}  // namespace
