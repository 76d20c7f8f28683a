#include "core/text/encodings/GCharCode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/bytes/GBuffer.h"
#include "core/containers/GDict.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes BytesOf(GCharCode const& code) { return Bytes(code.Get(), code.Get() + code.GetLength()); }

GCharCode CodeOf(Bytes const& bytes) { return GCharCode(bytes.data(), static_cast<int>(bytes.size())); }

TEST(GCharCode, ValueAndLengthConstructors) {
    struct Case {
        unsigned int value;
        int length;
        Bytes bytes;
        unsigned int number;
    };
    const Case cases[] = {
        {0x1234, 3, {0x00, 0x12, 0x34}, 0x1234},
        {0x1234, 1, {0x34}, 0x34},
        {0xA1B2C3D4, 4, {0xA1, 0xB2, 0xC3, 0xD4}, 0xA1B2C3D4},
        {0xFF, 0, {}, 0},
        {5, 7, {}, 0},
        {5, -1, {}, 0},
    };
    for (Case const& c : cases) {
        const GCharCode code(c.value, c.length);
        EXPECT_EQ(BytesOf(code), c.bytes) << c.value << "/" << c.length;
        EXPECT_EQ(static_cast<unsigned int>(code), c.number) << c.value << "/" << c.length;
    }
}

TEST(GCharCode, SetWithAnInvalidLengthKeepsTheCode) {
    GCharCode code(0x4142u, 2);
    code.Set(5u, 5);
    EXPECT_EQ(BytesOf(code), (Bytes{0x41, 0x42}));
    code.Set(5u, 0);
    EXPECT_TRUE(code.IsEmpty());
}

TEST(GCharCode, SetWithMinLength) {
    const std::pair<unsigned int, int> cases[] = {
        {0, 1}, {0xFF, 1}, {0x100, 2}, {0xFFFF, 2}, {0x10000, 3}, {0xFFFFFF, 3}, {0x1000000, 4}, {0xFFFFFFFF, 4},
    };
    for (auto const& [value, length] : cases) {
        GCharCode code;
        code.SetWithMinLength(value);
        EXPECT_EQ(code.GetLength(), length) << value;
        EXPECT_EQ(static_cast<unsigned int>(code), value);
    }
}

TEST(GCharCode, NumericViews) {
    const GCharCode one(static_cast<unsigned char>(0xC3));
    const GCharCode two(static_cast<unsigned short>(0x20AC));
    const GCharCode three(0x010203u, 3);
    const GCharCode five = CodeOf({1, 2, 3, 4, 5});
    EXPECT_EQ(static_cast<unsigned char>(one), 0xC3);
    EXPECT_EQ(static_cast<unsigned short>(one), 0xC3);
    EXPECT_EQ(static_cast<unsigned char>(two), 0);
    EXPECT_EQ(static_cast<unsigned short>(two), 0x20AC);
    EXPECT_EQ(static_cast<unsigned short>(three), 0);
    EXPECT_EQ(static_cast<unsigned int>(three), 0x010203u);
    EXPECT_EQ(static_cast<unsigned int>(five), 0u);
    EXPECT_EQ(static_cast<unsigned int>(GCharCode()), 0u);
    EXPECT_EQ(two - one, 0x20ACu - 0xC3u);
    EXPECT_EQ(one - two, 0xC3u - 0x20ACu);  // modulo 2^32
}

TEST(GCharCode, Increment) {
    struct Case {
        Bytes before;
        unsigned int n;
        Bytes after;
    };
    const Case cases[] = {
        {{0xFF}, 1, {0x00}},
        {{0x41}, 2, {0x43}},
        {{0x00, 0xFF}, 1, {0x01, 0x00}},
        {{0xFF, 0xFF}, 2, {0x00, 0x01}},
        {{0x00, 0x00, 0x00, 0xFF, 0xFF}, 1, {0x00, 0x00, 0x01, 0x00, 0x00}},
        {{0x00, 0x00, 0x00, 0x00, 0x00}, 0x1000001, {0x00, 0x01, 0x00, 0x00, 0x01}},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 1, {0x00, 0x00, 0x00, 0x00, 0x00}},
        {{0x12, 0x34, 0x56, 0x78, 0x9A}, 0, {0x12, 0x34, 0x56, 0x78, 0x9A}},
        {{}, 5, {}},
    };
    for (Case const& c : cases) {
        GCharCode code = CodeOf(c.before);
        code += c.n;
        EXPECT_EQ(BytesOf(code), c.after) << c.n;
    }
    // A long code counts in its heap block as well.
    Bytes longBefore(20, 0xFF);
    longBefore[0] = 0x00;
    Bytes longAfter(20, 0x00);
    longAfter[0] = 0x01;
    GCharCode code = CodeOf(longBefore);
    code += 1;
    EXPECT_EQ(BytesOf(code), longAfter);
}

TEST(GCharCode, Order) {
    const GCharCode empty;
    const GCharCode zero(static_cast<unsigned char>(0));
    const GCharCode ff(static_cast<unsigned char>(0xFF));
    const GCharCode zeroZero(static_cast<unsigned short>(0));
    const GCharCode ab(static_cast<unsigned short>(0x4142));
    const GCharCode ac(static_cast<unsigned short>(0x4143));
    const std::vector<GCharCode const*> ascending = {&empty, &zero, &ff, &zeroZero, &ab, &ac};
    for (std::size_t i = 0; i < ascending.size(); ++i) {
        for (std::size_t j = 0; j < ascending.size(); ++j) {
            GCharCode const& a = *ascending[i];
            GCharCode const& b = *ascending[j];
            EXPECT_EQ(a < b, i < j) << i << " " << j;
            EXPECT_EQ(a <= b, i <= j);
            EXPECT_EQ(a > b, i > j);
            EXPECT_EQ(a >= b, i >= j);
            EXPECT_EQ(a == b, i == j);
            EXPECT_EQ(a != b, i != j);
        }
    }
}

TEST(GCharCode, HashFollowsEquality) {
    EXPECT_EQ(GCharCode().GetHash(), 0u);
    EXPECT_EQ(GCharCode(0x123456u, 3).GetHash(), 0x123456u);
    const Bytes longBytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
    const GBuffer asBuffer(longBytes.data(), static_cast<int>(longBytes.size()));
    EXPECT_EQ(CodeOf(longBytes).GetHash(), asBuffer.GetHash());
    EXPECT_EQ(CodeOf(longBytes).GetHash(), GCharCode(asBuffer).GetHash());

    GDict<GCharCode, int> dict;
    dict.Put(GCharCode(static_cast<unsigned short>(0x0041)), 1);
    dict.Put(CodeOf(longBytes), 2);
    int slot;
    ASSERT_TRUE(dict.GetExistingIndex(GCharCode(0x41u, 2), slot));
    EXPECT_EQ(dict.GetValueAt(slot), 1);
    ASSERT_TRUE(dict.GetExistingIndex(GCharCode(asBuffer), slot));
    EXPECT_EQ(dict.GetValueAt(slot), 2);
    EXPECT_FALSE(dict.GetExistingIndex(GCharCode(0x41u, 1), slot));
}

TEST(GCharCode, LongCodesCopyMoveAndClip) {
    Bytes bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    GCharCode code(bytes.data(), 300);
    ASSERT_EQ(code.GetLength(), GCharCode::kMaxLength);
    EXPECT_EQ(BytesOf(code), Bytes(bytes.begin(), bytes.begin() + 255));

    GCharCode copy(code);
    EXPECT_EQ(copy, code);
    GCharCode assigned(static_cast<unsigned char>(1));
    assigned = code;
    EXPECT_EQ(assigned, code);
    GCharCode const& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned, code);
    GCharCode moved(std::move(copy));
    EXPECT_EQ(moved, code);
    EXPECT_TRUE(copy.IsEmpty());

    // Setting a code from its own bytes, shorter but still long, and then short.
    moved.Set(moved.Get() + 1, 40);
    EXPECT_EQ(BytesOf(moved), Bytes(bytes.begin() + 1, bytes.begin() + 41));
    moved.Set(moved.Get() + 2, 3);
    EXPECT_EQ(BytesOf(moved), Bytes(bytes.begin() + 3, bytes.begin() + 6));
    moved.Clear();
    EXPECT_TRUE(moved.IsEmpty());

    GBuffer out;
    code.Get(out);
    EXPECT_EQ(out.GetLength(), 255);
    EXPECT_EQ(std::memcmp(out.GetPtr(), bytes.data(), 255), 0);
    EXPECT_TRUE(GCharCode(nullptr, 4).IsEmpty());
    EXPECT_TRUE(GCharCode(bytes.data(), 0).IsEmpty());
}

TEST(GCharCode, UnicodeUnitsAreStoredHighByteFirst) {
    const std::u16string units = u"A\u20AC\xD83D\xDE00";
    const GBuffer text(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(units.size() * 2));
    GCharCode code;
    code.SetUnicode(text);
    EXPECT_EQ(BytesOf(code), (Bytes{0x00, 0x41, 0x20, 0xAC, 0xD8, 0x3D, 0xDE, 0x00}));
    GBuffer back;
    code.GetUnicode(back);
    EXPECT_EQ(back, text);

    // An odd last byte is not a unit.
    GBuffer odd(text);
    odd.AppendByteArray(reinterpret_cast<unsigned char const*>("x"), 1);
    code.SetUnicode(odd);
    EXPECT_EQ(code.GetLength(), 8);
    code.SetUnicode(GBuffer());
    EXPECT_TRUE(code.IsEmpty());
}

TEST(GCharCode, AppendedToABufferAsItsBytesMostSignificantFirst) {
    Bytes longBytes(20);
    for (std::size_t i = 0; i < longBytes.size(); ++i)
        longBytes[i] = static_cast<unsigned char>(0xE0 + i);
    struct Case {
        char const* name;
        GCharCode code;
        Bytes appended;
    };
    const Case cases[] = {
        {"one byte", GCharCode(static_cast<unsigned char>(0x41)), {0x41}},
        // High byte first whatever the machine order, unlike appending an unsigned short.
        {"two bytes", GCharCode(static_cast<unsigned short>(0x8140)), {0x81, 0x40}},
        {"leading zero byte kept", GCharCode(0x41, 2), {0x00, 0x41}},
        {"four bytes", GCharCode(0xA1B2C3D4, 4), {0xA1, 0xB2, 0xC3, 0xD4}},
        {"beyond the inline store", CodeOf(longBytes), longBytes},
        {"empty", GCharCode(), {}},
    };
    for (Case const& c : cases) {
        // Borrowed with spare room: the append must copy, not write into the lender.
        char lender[8] = "ab";
        GBuffer buffer;
        buffer.SetFromStatic(lender, 2, static_cast<int>(sizeof lender));
        GBuffer& result = (buffer += c.code);
        EXPECT_EQ(&result, &buffer) << c.name;
        Bytes expected{'a', 'b'};
        expected.insert(expected.end(), c.appended.begin(), c.appended.end());
        EXPECT_EQ(Bytes(buffer.GetPtr(), buffer.GetPtr() + buffer.GetLength()), expected) << c.name;
        EXPECT_STREQ(lender, "ab") << c.name;
        EXPECT_EQ(std::memcmp(lender + 2, "\0\0\0\0\0\0", 6), 0) << c.name;
    }
}

} // namespace
