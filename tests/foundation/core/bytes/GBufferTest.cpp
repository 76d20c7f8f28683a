#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <locale>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <sys/mman.h>

#include "core/base/GException.h"
#include "core/bytes/GBuffer.h"

namespace {

std::string Text(GBuffer const& b) {
    return std::string(reinterpret_cast<char const*>(b.GetPtr()), static_cast<std::size_t>(b.GetLength()));
}

GBuffer Bytes(std::vector<unsigned char> const& bytes) {
    return GBuffer(bytes.data(), static_cast<int>(bytes.size()));
}

GBuffer Units(std::u16string const& units) {
    return GBuffer(reinterpret_cast<unsigned char const*>(units.data()), static_cast<int>(units.size() * 2));
}

} // namespace

// ---- Storage, borrowing and copying ----

TEST(GBuffer, EmptyBufferGivesTwoZeroBytes) {
    GBuffer b;
    unsigned char const* p = b.GetPtr();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(b.GetLength(), 0);
    EXPECT_EQ(b.GetAllocatedLength(), 0);
    EXPECT_EQ(GBuffer::cEmptyBuffer.GetPtr(), p);
    EXPECT_TRUE(GBuffer::cEmptyBuffer.IsEmpty());
}

TEST(GBuffer, CopiedTextGetsExactBlockAndStaticTextIsBorrowed) {
    GBuffer copied("abc");
    EXPECT_TRUE(copied.IsOwned());
    EXPECT_EQ(copied.GetAllocatedLength(), 3);

    static char const kText[] = "abc";
    GBuffer borrowed;
    borrowed.SetFromStatic(kText);
    EXPECT_FALSE(borrowed.IsOwned());
    EXPECT_EQ(borrowed.GetAllocatedLength(), 4);
    EXPECT_EQ(borrowed.GetPtr(), reinterpret_cast<unsigned char const*>(kText));  // read in place

    borrowed += static_cast<unsigned char>('d');
    EXPECT_TRUE(borrowed.IsOwned());
    EXPECT_EQ(borrowed.GetAllocatedLength(), 6);
    EXPECT_EQ(Text(borrowed), "abcd");
    EXPECT_STREQ(kText, "abc");
}

TEST(GBuffer, GrowthFollowsTheThirdRule) {
    struct Case {
        char const* name;
        std::function<void(GBuffer&)> edit;
        int allocated;
    };
    static char const kText[] = "abc";
    Case const cases[] = {
        {"byte on owned", [](GBuffer& b) { b += static_cast<unsigned char>('d'); }, 6},
        {"unit on owned", [](GBuffer& b) { b += static_cast<unsigned short>(0x4142); }, 6},
        {"bytes on borrowed", [](GBuffer& b) { b.SetFromStatic(kText); b.AppendByteArray(reinterpret_cast<unsigned char const*>("de"), 2); }, 7},
        {"replace growing", [](GBuffer& b) { b.Replace(1, 1, GBuffer("xyzw")); }, 8},
        {"allocate", [](GBuffer& b) { b.Allocate(1); }, 3},
        {"allocate more", [](GBuffer& b) { b.Allocate(20); }, 20},
    };
    for (Case const& c : cases) {
        GBuffer b("abc");
        c.edit(b);
        EXPECT_EQ(b.GetAllocatedLength(), c.allocated) << c.name;
    }
}

TEST(GBuffer, ConstructionFromNullOrNegativeCountIsEmpty) {
    unsigned char const bytes[] = {'a', 0, 'b'};
    EXPECT_TRUE(GBuffer(static_cast<char const*>(nullptr)).IsEmpty());
    EXPECT_TRUE(GBuffer(static_cast<unsigned char const*>(nullptr), 3).IsEmpty());
    EXPECT_TRUE(GBuffer(bytes, -1).IsEmpty());
    GBuffer withZero(bytes, 3);
    EXPECT_EQ(withZero.GetLength(), 3);
    EXPECT_EQ(withZero.GetPtr()[2], 'b');
}

TEST(GBuffer, CopyOfBorrowedSharesAndCopyOfOwnedCopies) {
    static char const kText[] = "shared";
    GBuffer borrowed;
    borrowed.SetFromStatic(kText);
    GBuffer sharing(borrowed);
    EXPECT_FALSE(sharing.IsOwned());
    EXPECT_EQ(sharing.GetPtr(), reinterpret_cast<unsigned char const*>(kText));
    GBuffer assigned;
    assigned = borrowed;
    EXPECT_EQ(assigned.GetPtr(), reinterpret_cast<unsigned char const*>(kText));

    GBuffer owned("own");
    GBuffer copy(owned);
    EXPECT_TRUE(copy.IsOwned());
    EXPECT_NE(copy.GetPtr(), owned.GetPtr());
    EXPECT_EQ(copy, owned);
}

TEST(GBuffer, WritingIntoCopyOfStaticTextLeavesTextUnchanged) {
    static char const kText[] = "banana";
    GBuffer original;
    original.SetFromStatic(kText);
    GBuffer copy(original);
    EXPECT_TRUE(copy.FindAndReplace(0, static_cast<unsigned char>('a'), static_cast<unsigned char>('b')));
    EXPECT_EQ(Text(copy), "bbnbnb");
    EXPECT_STREQ(kText, "banana");
    EXPECT_EQ(Text(original), "banana");
}

TEST(GBuffer, BorrowedCapacityDecidesWhetherTextIsReadInPlace) {
    static char const kBytes[] = "abcdef";
    GBuffer terminated;
    terminated.SetFromStatic(kBytes + 3, 3, 4);  // "def" and its terminator
    EXPECT_EQ(terminated.GetPtr(), reinterpret_cast<unsigned char const*>(kBytes + 3));

    GBuffer cut;
    cut.SetFromStatic(kBytes, 3, -1);  // "abc" followed by 'd': needs its own copy
    EXPECT_EQ(cut.GetAllocatedLength(), 3);
    unsigned char const* p = cut.GetPtr();
    EXPECT_NE(p, reinterpret_cast<unsigned char const*>(kBytes));
    EXPECT_STREQ(reinterpret_cast<char const*>(p), "abc");
    EXPECT_TRUE(cut.IsOwned());

    GBuffer understated;
    understated.TakeByteArray(reinterpret_cast<unsigned char const*>(kBytes), 3, 1);
    EXPECT_EQ(understated.GetAllocatedLength(), 3);  // a capacity below the length counts as the length
    EXPECT_STREQ(reinterpret_cast<char const*>(understated.GetPtr()), "abc");
}

TEST(GBuffer, EmptiedBorrowedBufferReadsAsEmptyText) {
    static char const kText[] = "abc";
    struct Case {
        char const* name;
        std::function<void(GBuffer&)> empty;
    };
    Case const cases[] = {
        {"static null", [](GBuffer& b) { b.SetFromStatic(nullptr); }},
        {"static empty", [](GBuffer& b) { b.SetFromStatic(""); }},
        {"static count 0", [](GBuffer& b) { b.SetFromStatic(kText, 0, 4); }},
        {"take null", [](GBuffer& b) { b.TakeByteArray(nullptr, 3, 3); }},
        {"clear", [](GBuffer& b) { b.Clear(); }},
        {"set length 0", [](GBuffer& b) { b.SetLength(0); }},
        {"sub buffer", [](GBuffer& b) { b.GetSubBuffer(9, 1, b); }},
    };
    for (Case const& c : cases) {
        GBuffer b;
        b.SetFromStatic(kText);
        c.empty(b);
        EXPECT_EQ(b.GetLength(), 0) << c.name;
        EXPECT_STREQ(reinterpret_cast<char const*>(b.GetPtr()), "") << c.name;
    }
}

TEST(GBuffer, OwnedBlockIsKeptWhenEmptiedAndReused) {
    GBuffer b("a longer text");
    unsigned char const* block = b.GetPtr();
    b.SetFromStatic(nullptr);
    EXPECT_TRUE(b.IsOwned());
    b = "short";
    EXPECT_EQ(b.GetPtr(), block);
    EXPECT_EQ(Text(b), "short");
}

TEST(GBuffer, GetWritePtrOfEmptyBufferIsItsOwnBlock) {
    GBuffer b;
    unsigned char* p = b.GetWritePtr();
    EXPECT_TRUE(b.IsOwned());
    p[0] = 'x';  // a careless caller must not reach the shared zero bytes
    EXPECT_EQ(GBuffer().GetPtr()[0], 0);
}

TEST(GBuffer, SwapAndMoveExchangeOwnership) {
    static char const kText[] = "static";
    GBuffer a("owned");
    GBuffer b;
    b.SetFromStatic(kText);
    a.Swap(b);
    EXPECT_FALSE(a.IsOwned());
    EXPECT_TRUE(b.IsOwned());
    EXPECT_EQ(Text(a), "static");
    EXPECT_EQ(Text(b), "owned");

    GBuffer moved(std::move(b));
    EXPECT_EQ(Text(moved), "owned");
    EXPECT_TRUE(b.IsEmpty());
    a = std::move(moved);
    EXPECT_EQ(Text(a), "owned");
}

// Containers move items with memcpy and never run the constructor or destructor for the move.
TEST(GBuffer, SurvivesRelocationAsRawBytes) {
    std::aligned_storage_t<sizeof(GBuffer), alignof(GBuffer)> from, to;
    auto* original = new (&from) GBuffer("relocated bytes");
    original->AppendByteArray(reinterpret_cast<unsigned char const*>("!"), 1);
    std::memcpy(&to, &from, sizeof(GBuffer));
    auto* relocated = std::launder(reinterpret_cast<GBuffer*>(&to));
    *relocated += " and more";
    EXPECT_EQ(Text(*relocated), "relocated bytes! and more");
    relocated->~GBuffer();
}

TEST(GBuffer, AllocateAndSetLength) {
    static char const kText[] = "abc\0\0\0\0\0\0";
    GBuffer borrowed;
    borrowed.SetFromStatic(kText, 3, 10);
    borrowed.Allocate(2);  // within the borrowed length: the write pointer's copy has the room
    EXPECT_FALSE(borrowed.IsOwned());
    borrowed.Allocate(20);
    EXPECT_TRUE(borrowed.IsOwned());
    EXPECT_EQ(Text(borrowed), "abc");

    // The lender's spare capacity is not room to write: the room asked for must be in the copy
    // that GetWritePtr hands out, or the bytes written there would be lost or overrun it.
    GBuffer spare;
    spare.SetFromStatic(kText, 3, 10);
    spare.Allocate(8);
    EXPECT_TRUE(spare.IsOwned());
    EXPECT_GE(spare.GetAllocatedLength(), 8);
    std::memcpy(spare.GetWritePtr(), "12345678", 8);
    spare.SetLength(8);
    EXPECT_EQ(Text(spare), "12345678");
    EXPECT_STREQ(reinterpret_cast<char const*>(spare.GetPtr()), "12345678");
    EXPECT_STREQ(kText, "abc");

    GBuffer b("abc");
    b.Allocate(-1);
    EXPECT_EQ(b.GetAllocatedLength(), 3);
    b.SetLength(-5);
    EXPECT_EQ(b.GetLength(), 0);
    b.SetLength(4);
    std::memcpy(b.GetWritePtr(), "wxyz", 4);
    EXPECT_EQ(Text(b), "wxyz");
}

// Asking for less room than a borrowed text already fills must still give its owned copy room
// for the bytes and both terminators.
TEST(GBuffer, AllocatingLessThanBorrowedLengthKeepsTheBytes) {
    static char const kText[] = "0123456789abcdef";
    GBuffer borrowed;
    borrowed.SetFromStatic(kText, 16, -1);
    borrowed.Allocate(15);
    EXPECT_EQ(Text(borrowed), "0123456789abcdef");
    EXPECT_GE(borrowed.GetAllocatedLength(), 16);

    GBuffer shortened;
    shortened.SetFromStatic(kText, 16, -1);
    shortened.SetLength(15);
    EXPECT_EQ(Text(shortened), "0123456789abcde");
}

TEST(GBuffer, SelfReferencesAreSafe) {
    struct Case {
        char const* name;
        std::function<void(GBuffer&)> edit;
        char const* expected;
    };
    Case const cases[] = {
        {"assign self", [](GBuffer& b) { b = *&b; }, "abcdef"},
        {"append self", [](GBuffer& b) { b += b; }, "abcdefabcdef"},
        {"append self twice", [](GBuffer& b) { b += b; b += b; }, "abcdefabcdefabcdefabcdef"},
        {"append own bytes", [](GBuffer& b) { b.AppendByteArray(b.GetPtr() + 1, 3); }, "abcdefbcd"},
        {"replace with self", [](GBuffer& b) { b.Replace(1, 1, b); }, "aabcdefcdef"},
        {"replace by own tail", [](GBuffer& b) { b.ReplaceByteArray(0, 2, b.GetPtr() + 3, 3); }, "defcdef"},
        {"assign own tail", [](GBuffer& b) { b = reinterpret_cast<char const*>(b.GetPtr()) + 2; }, "cdef"},
        {"set own bytes", [](GBuffer& b) { b.Set(b.GetPtr() + 1, 2); }, "bc"},
        {"sub buffer into self", [](GBuffer& b) { b.GetSubBuffer(2, 3, b); }, "cde"},
        {"find self replace", [](GBuffer& b) { b.FindAndReplace(0, b, GBuffer("x")); }, "x"},
        {"replace by self", [](GBuffer& b) { b.FindAndReplace(0, GBuffer("cd"), b); }, "ababcdefef"},
        {"sum with self", [](GBuffer& b) { b = b + b; }, "abcdefabcdef"},
    };
    for (Case const& c : cases) {
        GBuffer b("abcdef");
        c.edit(b);
        EXPECT_EQ(Text(b), c.expected) << c.name;
    }
}

// ---- Terminators ----

// GetPtr only reads, so every change must leave zero bytes after the data itself. The edits start
// from a long owned text so that a shortened buffer would show its stale bytes.
TEST(GBuffer, EveryChangeLeavesTheTerminators) {
    static char const kStatic[] = "static";
    struct Case {
        char const* name;
        std::function<void(GBuffer&)> edit;
        std::string expected;
    };
    Case const cases[] = {
        {"assign shorter text", [](GBuffer& b) { b = "xy"; }, "xy"},
        {"set shorter bytes", [](GBuffer& b) { b.Set(reinterpret_cast<unsigned char const*>("pq"), 2); }, "pq"},
        {"copy shorter owned", [](GBuffer& b) { b = GBuffer("short"); }, "short"},
        {"set length shorter", [](GBuffer& b) { b.SetLength(3); }, "abc"},
        {"set length same", [](GBuffer& b) { b.SetLength(16); }, "abcdefghijklmnop"},
        {"set length longer then write", [](GBuffer& b) { b.SetLength(18); std::memcpy(b.GetWritePtr() + 16, "qr", 2); }, "abcdefghijklmnopqr"},
        {"write past length then set it",
         [](GBuffer& b) {
             b.Clear();
             b.Allocate(4);
             std::memcpy(b.GetWritePtr(), "wxyz", 4);
             b.SetLength(3);
         },
         "wxy"},
        {"allocate more", [](GBuffer& b) { b.Allocate(100); }, "abcdefghijklmnop"},
        {"remove", [](GBuffer& b) { b.Remove(2, 10); }, "abmnop"},
        {"remove tail", [](GBuffer& b) { b.Remove(4, 12); }, "abcd"},
        {"replace shrinking", [](GBuffer& b) { b.Replace(1, 14, GBuffer("-")); }, "a-p"},
        {"replace growing", [](GBuffer& b) { b.Replace(0, 1, GBuffer("AAAAAAAAAAAAAAAAAAAAAAAA")); }, "AAAAAAAAAAAAAAAAAAAAAAAAbcdefghijklmnop"},
        {"append bytes", [](GBuffer& b) { b += "qr"; }, "abcdefghijklmnopqr"},
        {"append byte", [](GBuffer& b) { b += static_cast<unsigned char>('q'); }, "abcdefghijklmnopq"},
        {"append unit", [](GBuffer& b) { b += static_cast<unsigned short>(0x7271); }, "abcdefghijklmnopqr"},
        {"sub buffer into self", [](GBuffer& b) { b.GetSubBuffer(1, 2, b); }, "bc"},
        {"find and replace shrinking", [](GBuffer& b) { b.FindAndReplace(0, GBuffer("cdefghijklmno"), GBuffer("")); }, "abp"},
        {"find and replace bytes", [](GBuffer& b) { b.FindAndReplace(0, static_cast<unsigned char>('p'), static_cast<unsigned char>('P')); }, "abcdefghijklmnoP"},
        {"number", [](GBuffer& b) { b.Set(7); }, "7"},
        {"padded number", [](GBuffer& b) { b.Set(7, 3); }, "007"},
        {"real", [](GBuffer& b) { b.Set(2.5); }, "2.5"},
        {"real with format, zeros cut", [](GBuffer& b) { b.Set(1.5, GBuffer("%.9f")); }, "1.5"},
        {"swap", [](GBuffer& b) { GBuffer other("swapped"); b.Swap(other); }, "swapped"},
        {"move in", [](GBuffer& b) { b = GBuffer("moved"); }, "moved"},
        {"borrow", [](GBuffer& b) { b.SetFromStatic(kStatic); }, "static"},
        {"borrow cut text", [](GBuffer& b) { b.SetFromStatic(kStatic, 3, -1); }, "sta"},
        {"borrow then shorten", [](GBuffer& b) { b.SetFromStatic(kStatic); b.SetLength(2); }, "st"},
        {"borrow then lengthen",
         [](GBuffer& b) {
             b.SetFromStatic(kStatic);
             b.SetLength(8);
             std::memcpy(b.GetWritePtr() + 6, "!?", 2);
         },
         "static!?"},
        {"borrow then same length", [](GBuffer& b) { b.SetFromStatic(kStatic); b.SetLength(6); }, "static"},
        {"borrow then write", [](GBuffer& b) { b.SetFromStatic(kStatic); b.GetWritePtr()[0] = 'S'; }, "Static"},
        {"borrow then append", [](GBuffer& b) { b.SetFromStatic(kStatic); b += static_cast<unsigned char>('!'); }, "static!"},
    };
    for (Case const& c : cases) {
        GBuffer b("abcdefghijklmnop");
        c.edit(b);
        GBuffer const& reader = b;
        unsigned char const* p = reader.GetPtr();
        int n = reader.GetLength();
        EXPECT_EQ(std::string(reinterpret_cast<char const*>(p), static_cast<std::size_t>(n)), c.expected) << c.name;
        EXPECT_EQ(p[n], 0) << c.name;
        if (reader.IsOwned()) {
            EXPECT_EQ(p[n + 1], 0) << c.name;
        }
        EXPECT_EQ(reader.GetPtr(), p) << c.name;  // reading again changes nothing
    }
    EXPECT_STREQ(kStatic, "static");
}

// Bytes lent without a zero after them cannot be read as a C text in place, and GetPtr may not
// copy them later (it only reads): they are copied when lent. Terminated ones stay borrowed.
TEST(GBuffer, OnlyTerminatedBytesAreBorrowed) {
    static char const kText[] = "abc\0def";
    struct Case {
        char const* name;
        int n;
        int capacity;
        bool borrowed;
    };
    Case const cases[] = {
        {"zero after, within capacity", 3, 4, true},
        {"zero after, spare capacity", 3, 8, true},
        {"capacity is the length", 3, 3, false},
        {"capacity -1", 3, -1, false},
        {"capacity below the length", 3, 1, false},
        {"letter after", 2, 8, false},
    };
    for (Case const& c : cases) {
        GBuffer made;
        made.SetFromStatic(kText, c.n, c.capacity);
        GBuffer taken;
        taken.TakeByteArray(reinterpret_cast<unsigned char const*>(kText), c.n, c.capacity);
        for (GBuffer const* b : {&made, &taken}) {
            EXPECT_EQ(b->IsOwned(), !c.borrowed) << c.name;
            EXPECT_EQ(b->GetPtr() == reinterpret_cast<unsigned char const*>(kText), c.borrowed) << c.name;
            EXPECT_EQ(std::strlen(reinterpret_cast<char const*>(b->GetPtr())), static_cast<std::size_t>(c.n)) << c.name;
            EXPECT_EQ(std::memcmp(b->GetPtr(), kText, static_cast<std::size_t>(c.n)), 0) << c.name;
        }
    }
    // A copy of a borrowed buffer shares the lender's bytes and their terminator.
    GBuffer lent;
    lent.SetFromStatic(kText + 4);
    GBuffer copy(lent);
    EXPECT_EQ(copy.GetPtr(), reinterpret_cast<unsigned char const*>(kText + 4));
    EXPECT_EQ(copy.GetPtr()[3], 0);
}

// An owned buffer emptied keeps its block; what it hands out still reads as an empty text even
// when a writer left bytes in the block.
TEST(GBuffer, EmptiedOwnedBufferReadsAsEmptyText) {
    GBuffer b("abcdef");
    unsigned char* p = b.GetWritePtr();
    b.Clear();
    p[0] = 'x';
    EXPECT_TRUE(b.IsOwned());
    EXPECT_STREQ(reinterpret_cast<char const*>(b.GetPtr()), "");
    b.SetLength(0);
    EXPECT_STREQ(reinterpret_cast<char const*>(b.GetPtr()), "");
}

// ---- Copy on write ----

TEST(GBuffer, EveryWriteCopiesBorrowedBytesWithSpareRoom) {
    struct Case {
        char const* name;
        std::function<void(GBuffer&)> edit;
        std::string expected;
    };
    Case const cases[] = {
        {"append byte", [](GBuffer& b) { b += static_cast<unsigned char>('!'); }, "hello!"},
        {"append unit", [](GBuffer& b) { b += static_cast<unsigned short>(0x2121); }, "hello!!"},
        {"append text", [](GBuffer& b) { b += "xy"; }, "helloxy"},
        {"append buffer", [](GBuffer& b) { b += GBuffer("z"); }, "helloz"},
        {"append bytes", [](GBuffer& b) { b.AppendByteArray(reinterpret_cast<unsigned char const*>("12"), 2); }, "hello12"},
        {"replace", [](GBuffer& b) { b.Replace(0, 1, GBuffer("J")); }, "Jello"},
        {"replace shrinking", [](GBuffer& b) { b.Replace(1, 3, GBuffer("i")); }, "hio"},
        {"remove", [](GBuffer& b) { b.Remove(0, 1); }, "ello"},
        {"replace bytes", [](GBuffer& b) { b.FindAndReplace(0, static_cast<unsigned char>('l'), static_cast<unsigned char>('L')); }, "heLLo"},
        {"replace pattern", [](GBuffer& b) { b.FindAndReplace(0, GBuffer("ll"), GBuffer("LL")); }, "heLLo"},
        {"write pointer", [](GBuffer& b) { b.GetWritePtr()[0] = 'H'; }, "Hello"},
        {"set length then write", [](GBuffer& b) { b.SetLength(3); b.GetWritePtr()[2] = 'L'; }, "heL"},
        {"set number", [](GBuffer& b) { b.Set(42); }, "42"},
        {"assign text", [](GBuffer& b) { b = "x"; }, "x"},
        {"copy then append", [](GBuffer& b) { GBuffer c(b); c += static_cast<unsigned char>('?'); b = c; }, "hello?"},
    };
    for (Case const& c : cases) {
        char lender[32] = "hello";  // spare room after the text invites an in-place write
        char const pristine[32] = "hello";
        GBuffer b;
        b.SetFromStatic(lender, 5, static_cast<int>(sizeof lender));
        c.edit(b);
        EXPECT_EQ(Text(b), c.expected) << c.name;
        EXPECT_EQ(std::memcmp(lender, pristine, sizeof lender), 0) << c.name;
    }
}

TEST(GBuffer, AppendingOneByteToBorrowedLiteralWithSpareCapacityCopiesIt) {
    // Read-only memory: a write into the literal would crash rather than pass.
    char const* literal = "abc\0\0\0\0\0\0\0\0\0";
    GBuffer b;
    b.SetFromStatic(literal, 3, 12);
    b += static_cast<unsigned char>('d');
    b += static_cast<unsigned short>(0x6665);
    EXPECT_TRUE(b.IsOwned());
    EXPECT_EQ(b.GetLength(), 6);
    EXPECT_EQ(std::memcmp(b.GetPtr(), "abcd", 4), 0);
    EXPECT_EQ(literal[3], '\0');
}

// ---- Editing ----

TEST(GBuffer, ReplaceAndRemoveClipToTheBuffer) {
    struct Case {
        char const* name;
        int pos;
        int n;
        char const* with;  // null: remove
        int m;
        char const* expected;
    };
    Case const cases[] = {
        {"middle", 1, 3, "EY", 2, "hEYo"},
        {"insert", 5, 0, "!", 1, "hello!"},
        {"negative pos", -3, 2, "X", 1, "Xllo"},
        {"count past end", 3, 100, "X", 1, "helX"},
        {"pos past end", 10, 1, "X", 1, "helloX"},
        {"negative count", 1, -4, "X", 1, "hXello"},
        {"remove", 1, 2, nullptr, 0, "hlo"},
        {"remove negative count", 1, -4, nullptr, 0, "hello"},
        {"null source removes", 0, 1, nullptr, 5, "ello"},
        {"negative m inserts nothing", 0, 0, "ab", -1, "hello"},
        {"remove all", 0, 5, nullptr, 0, ""},
    };
    for (Case const& c : cases) {
        GBuffer b("hello");
        b.ReplaceByteArray(c.pos, c.n, reinterpret_cast<unsigned char const*>(c.with), c.m);
        EXPECT_EQ(Text(b), c.expected) << c.name;
        EXPECT_EQ(b.GetPtr()[b.GetLength()], 0) << c.name;
    }
}

TEST(GBuffer, SubBufferIsClippedAndOwned) {
    struct Case {
        int pos;
        int n;
        char const* expected;
    };
    Case const cases[] = {
        {2, -1, "llo"}, {6, 1, ""},   {5, 1, ""},  {0, 2, "he"},     {3, 10, "lo"},
        {-2, 3, "h"},   {-2, -1, "hello"}, {1, 0, ""}, {1, -7, "ello"},
    };
    static char const kText[] = "hello";
    GBuffer b;
    b.SetFromStatic(kText);
    for (Case const& c : cases) {
        GBuffer sub = b.GetSubBuffer(c.pos, c.n);
        EXPECT_EQ(Text(sub), c.expected) << c.pos << "," << c.n;
        GBuffer out("previous");
        b.GetSubBuffer(c.pos, c.n, out);
        EXPECT_EQ(Text(out), c.expected) << c.pos << "," << c.n;
        if (!sub.IsEmpty()) {
            EXPECT_TRUE(sub.IsOwned());
        }
    }
}

TEST(GBuffer, FindAndReplaceBuffers) {
    struct Case {
        char const* text;
        int start;
        char const* what;
        char const* with;
        bool found;
        char const* expected;
    };
    Case const cases[] = {
        {"aaa", 0, "a", "aa", true, "aaaaaa"},  // inserted text is not searched again
        {"abcabc", 1, "abc", "x", true, "abcx"},
        {"abc", 0, "", "x", false, "abc"},
        {"abc", 5, "a", "x", false, "abc"},
        {"abc", 0, "z", "x", false, "abc"},
        {"a.b.c", 0, ".", "", true, "abc"},
        {"xx", 0, "x", "xyx", true, "xyxxyx"},
        {"abab", -2, "ab", "c", true, "cc"},
        {"", 0, "a", "b", false, ""},
        {"aaaa", 0, "aa", "b", true, "bb"},
    };
    for (Case const& c : cases) {
        GBuffer b(c.text);
        EXPECT_EQ(b.FindAndReplace(c.start, GBuffer(c.what), GBuffer(c.with)), c.found) << c.text << " " << c.what;
        EXPECT_EQ(Text(b), c.expected) << c.text << " " << c.what;
    }
}

TEST(GBuffer, FindAndReplaceBytes) {
    struct Case {
        int start;
        char from;
        char to;
        bool found;
        char const* expected;
    };
    Case const cases[] = {
        {0, 'l', 'L', true, "heLLo"}, {3, 'l', 'L', true, "helLo"}, {5, 'l', 'L', false, "hello"},
        {0, 'z', 'Z', false, "hello"}, {-1, 'h', 'H', true, "Hello"}, {0, 'l', 'l', true, "hello"},
    };
    for (Case const& c : cases) {
        GBuffer b("hello");
        EXPECT_EQ(b.FindAndReplace(c.start, static_cast<unsigned char>(c.from), static_cast<unsigned char>(c.to)), c.found)
            << c.start << c.from;
        EXPECT_EQ(Text(b), c.expected) << c.start << c.from;
    }
}

TEST(GBuffer, SumCopiesLeftThenAppendsRight) {
    static char const kLeft[] = "left";
    GBuffer left;
    left.SetFromStatic(kLeft);
    GBuffer sum = left + GBuffer("+right");
    EXPECT_EQ(Text(sum), "left+right");
    EXPECT_STREQ(kLeft, "left");
    EXPECT_EQ(Text(GBuffer() + GBuffer()), "");
}

// ---- Searching ----

TEST(GBuffer, FindSubBufferByBytes) {
    struct Case {
        char const* hay;
        char const* pattern;
        int start;
        int expected;
    };
    Case const cases[] = {
        {"abcabc", "abc", 0, 0}, {"abcabc", "abc", 1, 3},    {"abcabc", "abc", 4, -1}, {"abcabc", "", 5, 0},
        {"abcabc", "c", 0, 2},   {"abcabc", "abcabcd", 0, -1}, {"abcabc", "bc", -5, 1}, {"", "a", 0, -1},
        {"", "", 0, 0},          {"aaab", "aab", 0, 1},       {"abcabc", "abc", 3, 3},  {"abcabc", "c", 6, -1},
    };
    for (Case const& c : cases)
        EXPECT_EQ(GBuffer(c.hay).FindSubBuffer(GBuffer(c.pattern), c.start), c.expected) << c.hay << " " << c.pattern << " " << c.start;
}

// Every length around the 16-position blocks of the search, against the standard library.
TEST(GBuffer, FindSubBufferAgreesWithStringViewFind) {
    std::uint32_t state = 7;
    auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 16) % range;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string hay(next(80), 'a');
        for (char& c : hay)
            c = static_cast<char>('a' + next(2));
        std::string needle(1 + next(6), 'a');
        for (char& c : needle)
            c = static_cast<char>('a' + next(2));
        int start = static_cast<int>(next(static_cast<std::uint32_t>(hay.size()) + 1));
        std::size_t expected = std::string_view(hay).find(needle, static_cast<std::size_t>(start));
        int found = GBuffer(hay.c_str()).FindSubBuffer(GBuffer(needle.c_str()), start);
        ASSERT_EQ(found, expected == std::string_view::npos ? -1 : static_cast<int>(expected))
            << hay << " / " << needle << " from " << start;
    }
}

// Every position is a candidate here: the search must still find the match, and stay linear.
TEST(GBuffer, FindSubBufferInRepetitiveText) {
    std::string hay(100000, 'a');
    GBuffer text(hay.c_str());
    EXPECT_EQ(text.FindSubBuffer(GBuffer("aabaa")), -1);
    text += "aabaa";
    EXPECT_EQ(text.FindSubBuffer(GBuffer("aabaa")), 100000);
    EXPECT_EQ(text.FindSubBuffer(GBuffer("aabaa"), 100001), -1);
    EXPECT_EQ(text.FindSubBuffer(Bytes({'a', 'b', 'a', 'a'}), 0, true), -1);  // only at an odd byte
    EXPECT_EQ(text.FindSubBuffer(Bytes({'a', 'a', 'b', 'a'}), 0, true), 50000);
}

TEST(GBuffer, FindSubBufferByUnitsCountsUnitsAndIgnoresStraddlingMatches) {
    struct Case {
        char const* name;
        GBuffer hay;
        GBuffer pattern;
        int start;
        int expected;
    };
    Case const cases[] = {
        {"unit index", Units(u"abab"), Units(u"ba"), 0, 1},
        {"from start", Units(u"abab"), Units(u"ab"), 1, 2},
        {"odd byte match", Bytes({1, 2, 3, 4}), Bytes({2, 3}), 0, -1},
        {"odd then even", Bytes({1, 2, 3, 2, 3, 4}), Bytes({3, 2}), 0, 1},
        {"odd last byte ignored", Bytes({1, 2, 3}), Bytes({3}), 0, 0},  // pattern of no units
        {"odd pattern byte ignored", Units(u"xyz"), Bytes({'y', 0, 'z'}), 0, 1},
        {"empty hay", GBuffer(), Units(u"a"), 0, -1},
        {"beyond", Units(u"abc"), Units(u"bc"), 2, -1},
    };
    for (Case const& c : cases)
        EXPECT_EQ(c.hay.FindSubBuffer(c.pattern, c.start, true), c.expected) << c.name;
}

TEST(GBuffer, FindOccurrences) {
    GBuffer hello("hello world");
    unsigned char const blankO[] = {' ', 'o'};
    unsigned char const letters[] = {'h', 'e', 'l', 'o'};
    struct Case {
        char const* name;
        int found;
        int expected;
    };
    Case const cases[] = {
        {"byte", hello.FindFirstOccurrence(static_cast<unsigned char>('l')), 2},
        {"byte from", hello.FindFirstOccurrence(static_cast<unsigned char>('l'), 4), 9},
        {"byte none", hello.FindFirstOccurrence(static_cast<unsigned char>('z')), -1},
        {"byte start at end", hello.FindFirstOccurrence(static_cast<unsigned char>('d'), 11), -1},
        {"byte negative start", hello.FindFirstOccurrence(static_cast<unsigned char>('h'), -3), 0},
        {"set", hello.FindFirstOccurrence(blankO, 2), 4},
        {"set from", hello.FindFirstOccurrence(blankO, 2, 5), 5},
        {"set empty", hello.FindFirstOccurrence(blankO, 0), -1},
        {"set null", hello.FindFirstOccurrence(static_cast<unsigned char const*>(nullptr), 2), -1},
        {"non", hello.FindFirstNonOccurrence(letters, 4), 5},
        {"non empty set", hello.FindFirstNonOccurrence(letters, 0, 3), 3},
        {"non at end", hello.FindFirstNonOccurrence(letters, 0, 11), -1},
        {"non none", GBuffer("hello").FindFirstNonOccurrence(letters, 4), -1},
        {"last", hello.FindLastOccurrence(static_cast<unsigned char>('l'), 100), 9},
        {"last bounded", hello.FindLastOccurrence(static_cast<unsigned char>('l'), 8), 3},
        {"last at end index", hello.FindLastOccurrence(static_cast<unsigned char>('l'), 3), 3},
        {"last none", hello.FindLastOccurrence(static_cast<unsigned char>('l'), 1), -1},
        {"last negative", hello.FindLastOccurrence(static_cast<unsigned char>('h'), -1), -1},
        {"last empty", GBuffer().FindLastOccurrence(static_cast<unsigned char>('h'), 5), -1},
    };
    for (Case const& c : cases)
        EXPECT_EQ(c.found, c.expected) << c.name;
}

TEST(GBuffer, FindUnitOccurrences) {
    GBuffer text = Units(u"abcb");
    text += static_cast<unsigned char>('b');  // an odd last byte is not a unit
    unsigned short const cb[] = {u'c', u'b'};
    std::vector<unsigned short> many;
    for (unsigned short u = 0x100; u < 0x140; ++u)
        many.push_back(u);
    many.push_back(u'c');
    unsigned short const ab[] = {u'a', u'b'};
    struct Case {
        char const* name;
        int found;
        int expected;
    };
    Case const cases[] = {
        {"unit", text.FindFirstOccurrence(static_cast<unsigned short>(u'b')), 1},
        {"unit from", text.FindFirstOccurrence(static_cast<unsigned short>(u'b'), 2), 3},
        {"unit past", text.FindFirstOccurrence(static_cast<unsigned short>(u'b'), 4), -1},
        {"unit straddling", Bytes({0, 'b', 'b', 0}).FindFirstOccurrence(static_cast<unsigned short>(0x6262)), -1},
        {"set", text.FindFirstOccurrence(cb, 2), 1},
        {"large set", text.FindFirstOccurrence(many.data(), static_cast<int>(many.size())), 2},
        {"set empty", text.FindFirstOccurrence(cb, 0), -1},
        {"non", text.FindFirstNonOccurrence(ab, 2), 2},
        {"non large set", text.FindFirstNonOccurrence(many.data(), static_cast<int>(many.size())), 0},
        {"non empty set", text.FindFirstNonOccurrence(ab, 0, 1), 1},
        {"non past", text.FindFirstNonOccurrence(ab, 2, 4), -1},
        {"last", text.FindLastOccurrence(static_cast<unsigned short>(u'b'), 10), 3},
        {"last bounded", text.FindLastOccurrence(static_cast<unsigned short>(u'b'), 2), 1},
        {"last none", text.FindLastOccurrence(static_cast<unsigned short>(u'a'), -1), -1},
    };
    for (Case const& c : cases)
        EXPECT_EQ(c.found, c.expected) << c.name;
}

// ---- Comparing and hashing ----

TEST(GBuffer, ComparesByUnsignedBytesThenLength) {
    struct Case {
        GBuffer a;
        GBuffer b;
        int order;
    };
    Case const cases[] = {
        {GBuffer("ab"), GBuffer("abc"), -1}, {GBuffer("abc"), GBuffer("abd"), -1}, {Bytes({0xFF}), GBuffer("a"), 1},
        {GBuffer(""), GBuffer(), 0},         {GBuffer(), GBuffer("a"), -1},        {GBuffer("abc"), GBuffer("abc"), 0},
        {Bytes({'a', 0}), GBuffer("a"), 1},
    };
    for (Case const& c : cases) {
        std::string label = Text(c.a) + " vs " + Text(c.b);
        EXPECT_EQ(c.a == c.b, c.order == 0) << label;
        EXPECT_EQ(c.a != c.b, c.order != 0) << label;
        EXPECT_EQ(c.a < c.b, c.order < 0) << label;
        EXPECT_EQ(c.a > c.b, c.order > 0) << label;
        EXPECT_EQ(c.a <= c.b, c.order <= 0) << label;
        EXPECT_EQ(c.a >= c.b, c.order >= 0) << label;
    }
}

// Equality reads whole words where it can: a difference at any byte of any length is seen, and
// no byte past the length counts.
TEST(GBuffer, EqualityNoticesADifferenceAtEveryPosition) {
    for (int n = 1; n <= 80; ++n) {
        std::vector<unsigned char> bytes(static_cast<std::size_t>(n) + 8, 'x');
        std::vector<unsigned char> other = bytes;
        other[static_cast<std::size_t>(n)] = 'y';
        GBuffer const a(bytes.data(), n);
        EXPECT_TRUE(a == GBuffer(other.data(), n)) << n << " bytes";
        for (int at = 0; at < n; ++at) {
            other[static_cast<std::size_t>(at)] = 'z';
            EXPECT_FALSE(a == GBuffer(other.data(), n)) << n << " bytes, differing at " << at;
            other[static_cast<std::size_t>(at)] = 'x';
        }
    }
}

TEST(GBuffer, ComparingBorrowedBytesDoesNotCopyThem) {
    static char const kText[] = "abc\0def";
    GBuffer cut;
    cut.SetFromStatic(kText, 3, 4);
    EXPECT_TRUE(cut == GBuffer("abc"));
    EXPECT_TRUE(cut < GBuffer("abd"));
    EXPECT_FALSE(cut.IsOwned());
}

// Equality reads whole words and overlapping blocks: a difference in any one byte, at any length
// up to and past the block reads, must still be seen, and equal bytes in separate blocks match.
TEST(GBuffer, EqualityFindsADifferenceAtEveryPosition) {
    for (int n = 1; n <= 80; ++n) {
        std::vector<unsigned char> bytes(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            bytes[static_cast<std::size_t>(i)] = static_cast<unsigned char>('a' + (i * 7) % 26);
        const GBuffer a(bytes.data(), n);
        EXPECT_TRUE(a == GBuffer(bytes.data(), n)) << "length " << n;
        for (int i = 0; i < n; ++i) {
            std::vector<unsigned char> other = bytes;
            other[static_cast<std::size_t>(i)] ^= 0x20;
            EXPECT_FALSE(a == GBuffer(other.data(), n)) << "length " << n << ", byte " << i;
        }
    }
}

// Reference values computed independently from the published MurmurHash2 (32-bit, seed 0).
TEST(GBuffer, HashIsMurmurHash2) {
    struct Case {
        GBuffer bytes;
        std::uint32_t hash;
    };
    std::vector<unsigned char> all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<unsigned char>(i));
    Case const cases[] = {
        {GBuffer(""), 0x0u},
        {GBuffer("a"), 0x92685f5eu},
        {GBuffer("ab"), 0x1aa14063u},
        {GBuffer("abc"), 0x13577c9bu},
        {GBuffer("abcd"), 0x26873021u},
        {GBuffer("hello world"), 0x44a81419u},
        {Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 0xeca30c90u},
        {Bytes(all), 0x8d730996u},
    };
    for (Case const& c : cases)
        EXPECT_EQ(c.bytes.GetHash(), c.hash) << Text(c.bytes);

    GBuffer borrowed;
    borrowed.SetFromStatic("abcd");
    EXPECT_EQ(borrowed.GetHash(), 0x26873021u);

    // Raw bytes hash alike without a buffer, so no copy is needed for bytes without a terminator.
    EXPECT_EQ(GBuffer::Hash(reinterpret_cast<unsigned char const*>("abcdef"), 4), 0x26873021u);
    EXPECT_EQ(GBuffer::Hash(all.data(), 256), 0x8d730996u);
    EXPECT_EQ(GBuffer::Hash(nullptr, 3), 0u);
    EXPECT_EQ(GBuffer::Hash(all.data(), -1), 0u);
}

// The hash reads blocks in groups and the tail in one piece: every length and every placement
// of the bytes must still give the block-by-block MurmurHash2, and no byte outside them counts.
TEST(GBuffer, HashMatchesBlockByBlockForEveryLengthAndPlacement) {
    auto reference = [](unsigned char const* p, int n) {
        const std::uint32_t m = 0x5bd1e995u;
        std::uint32_t h = static_cast<std::uint32_t>(n);
        for (; n >= 4; n -= 4, p += 4) {
            std::uint32_t k = p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
            k *= m;
            k ^= k >> 24;
            k *= m;
            h = (h * m) ^ k;
        }
        if (n == 3)
            h ^= std::uint32_t(p[2]) << 16;
        if (n >= 2)
            h ^= std::uint32_t(p[1]) << 8;
        if (n >= 1)
            h = (h ^ p[0]) * m;
        h ^= h >> 13;
        h *= m;
        return h ^ (h >> 15);
    };
    std::vector<unsigned char> bytes(160);
    std::uint32_t state = 7;
    for (unsigned char& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(state >> 24);
    }
    for (int offset = 0; offset < 8; ++offset) {
        for (int n = 0; n <= 140; ++n) {
            unsigned char* p = bytes.data() + 8 + offset;
            const std::uint32_t expected = reference(p, n);
            ASSERT_EQ(GBuffer::Hash(p, n), expected) << "offset " << offset << ", length " << n;
            // The bytes just outside do not count.
            p[-1] ^= 0xFF;
            p[n] ^= 0xFF;
            EXPECT_EQ(GBuffer::Hash(p, n), expected) << "offset " << offset << ", length " << n;
            p[-1] ^= 0xFF;
            p[n] ^= 0xFF;
            EXPECT_EQ(GBuffer(p, n).GetHash(), expected) << "length " << n;
        }
    }
}

// ---- Numbers to text ----

TEST(GBuffer, IntegersToText) {
    struct Case {
        GBuffer b;
        char const* expected;
    };
    GBuffer padded, paddedNegative, unpadded, zeroNoDigits, minInt, unsignedMax;
    padded.Set(7, 3);
    paddedNegative.Set(-7, 3);
    unpadded.Set(12345, 3);
    zeroNoDigits.Set(0, 0);
    minInt.Set(std::numeric_limits<int>::min(), 12);
    unsignedMax.Set(std::numeric_limits<unsigned int>::max());
    Case const cases[] = {
        {GBuffer(0), "0"},
        {GBuffer(-42), "-42"},
        {GBuffer(std::numeric_limits<int>::min()), "-2147483648"},
        {GBuffer(4294967295u), "4294967295"},
        {GBuffer(std::numeric_limits<long long>::min()), "-9223372036854775808"},
        {GBuffer(18446744073709551615ull), "18446744073709551615"},
        {padded, "007"},
        {paddedNegative, "-007"},
        {unpadded, "12345"},
        {zeroNoDigits, "0"},
        {minInt, "-002147483648"},
        {unsignedMax, "4294967295"},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(Text(c.b), c.expected);
        EXPECT_TRUE(c.b.IsOwned()) << c.expected;
    }
}

TEST(GBuffer, RealsToText) {
    struct Case {
        char const* name;
        std::function<void(GBuffer&)> set;
        char const* expected;
    };
    double const nan = std::numeric_limits<double>::quiet_NaN();
    double const inf = std::numeric_limits<double>::infinity();
    Case const cases[] = {
        {"half up at 6", [](GBuffer& b) { b = GBuffer(0.0000005); }, "0.000001"},
        {"below half", [](GBuffer& b) { b = GBuffer(0.00000049); }, "0"},
        {"no minus zero", [](GBuffer& b) { b = GBuffer(-0.0000001); }, "0"},
        {"negative zero", [](GBuffer& b) { b = GBuffer(-0.0); }, "0"},
        {"two thirds", [](GBuffer& b) { b = GBuffer(2.0 / 3.0); }, "0.666667"},
        {"negative", [](GBuffer& b) { b = GBuffer(-2.5); }, "-2.5"},
        {"integral", [](GBuffer& b) { b.Set(2.0); }, "2"},
        {"large", [](GBuffer& b) { b = GBuffer(1e20); }, "100000000000000000000"},
        {"carry", [](GBuffer& b) { b.Set(9.9999999); }, "10"},
        {"nan", [nan](GBuffer& b) { b = GBuffer(nan); }, "nan"},
        {"minus nan", [nan](GBuffer& b) { b.Set(-nan); }, "-nan"},
        {"inf", [inf](GBuffer& b) { b.Set(inf); }, "inf"},
        {"minus inf", [inf](GBuffer& b) { b.Set(-inf); }, "-inf"},
        {"precision 2", [](GBuffer& b) { b.SetWithPrecision(2.375, 2); }, "2.38"},
        {"precision 0", [](GBuffer& b) { b.SetWithPrecision(2.5, 0); }, "3"},
        {"precision 5 integral", [](GBuffer& b) { b.SetWithPrecision(1.0, 5); }, "1"},
        {"precision 3", [](GBuffer& b) { b.SetWithPrecision(1234.56789, 3); }, "1234.568"},
        {"precision above 16", [](GBuffer& b) { b.SetWithPrecision(0.5, 40); }, "0.5"},
        {"precision negative", [](GBuffer& b) { b.SetWithPrecision(0.25, -1); }, "0.25"},
        {"leading fraction zeros", [](GBuffer& b) { b.SetWithPrecision(1.05, 2); }, "1.05"},
        {"high exponent", [](GBuffer& b) { b.SetWithHighPrecision(123456.0); }, "1.23456e05"},
        {"high small", [](GBuffer& b) { b.SetWithHighPrecision(0.0001); }, "1.0e-04"},
        {"high power", [](GBuffer& b) { b.SetWithHighPrecision(1e10); }, "1.0e10"},
        {"high in range", [](GBuffer& b) { b.SetWithHighPrecision(99999.5); }, "99999.5"},
        {"high lower bound", [](GBuffer& b) { b.SetWithHighPrecision(0.001); }, "0.001"},
        {"high negative", [](GBuffer& b) { b.SetWithHighPrecision(-2.5e-7); }, "-2.5e-07"},
        {"high three digit exponent", [](GBuffer& b) { b.SetWithHighPrecision(1e100); }, "1.0e100"},
        {"high zero", [](GBuffer& b) { b.SetWithHighPrecision(0.0); }, "0"},
        {"high nan", [nan](GBuffer& b) { b.SetWithHighPrecision(nan); }, "nan"},
    };
    for (Case const& c : cases) {
        GBuffer b("previous");
        c.set(b);
        EXPECT_EQ(Text(b), c.expected) << c.name;
    }
}

TEST(GBuffer, ExtremeRealsAreWrittenInFull) {
    static char const kMax[] =
        "179769313486231570814527423731704356798070567525844996598917476803157260780028538760589558632766878171540458"
        "953514382464234321326889464182768467546703537516986049910576551282076245490090389328944075868508455133942304"
        "583236903222948165808559332123348274797826204144723168738177180919299881250404026184124858368";
    GBuffer b(DBL_MAX);
    EXPECT_EQ(Text(b), kMax);
    b.SetWithPrecision(-DBL_MAX, 16);
    EXPECT_EQ(Text(b), std::string("-") + kMax);
    b.Set(-DBL_MAX, GBuffer("%f"));
    EXPECT_EQ(Text(b), std::string("-") + kMax);
    b.Set(1e308, GBuffer("%.16f"));
    EXPECT_EQ(b.GetLength(), 309);
    EXPECT_EQ(b.GetReal(), 1e308);

    // Fifteen digits of the exponent form; the last digit of a subnormal may be off by one.
    struct Case {
        double value;
        char const* high;  // null: only the value is checked
    };
    Case const cases[] = {
        {DBL_MAX, "1.797693134862316e308"},
        {-DBL_MAX, "-1.797693134862316e308"},
        {DBL_MIN, "2.225073858507201e-308"},
        {std::numeric_limits<double>::denorm_min(), nullptr},
        {1e-320, nullptr},
        {9223372036854775808.0, "9.223372036854776e18"},
    };
    for (Case const& c : cases) {
        b.SetWithHighPrecision(c.value);
        if (c.high != nullptr) {
            EXPECT_EQ(Text(b), c.high);
        }
        double back = b.GetReal();
        if (std::fabs(c.value) == DBL_MAX) {
            // Rounded up past the largest double: reads back as infinity.
            EXPECT_EQ(back, std::copysign(std::numeric_limits<double>::infinity(), c.value)) << Text(b);
        } else {
            EXPECT_NEAR(back / c.value, 1.0, 1e-14) << Text(b);
        }
    }

    b.Set(std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(Text(b), "0");
    b.SetWithPrecision(0.1, 16);
    EXPECT_EQ(Text(b), "0.1");
    b.Set(18446744073709551616.0);  // 2^64: past the 64-bit integers
    EXPECT_EQ(Text(b), "18446744073709551616");
}

TEST(GBuffer, RealsWithFormat) {
    struct Case {
        char const* format;
        double value;
        char const* expected;
    };
    Case const cases[] = {
        {"%f", 1.5, "1.5"},
        {"%f", 2.0, "2"},
        {"%.2f", 2.375, "2.38"},
        {"%e", 1500.0, "1.500000e+03"},
        {"%g", 0.5, "0.5"},
        {"%10.3f", 3.25, "     3.25"},
        {"x=%lf;", 1.0, "x=1.000000;"},
        {"%f%%", 1.5, "1.500000%"},
        {"%f", -0.0, "-0"},
        {"%f", std::numeric_limits<double>::infinity(), "inf"},
        {"abc", 1.0, "abc"},
        {"%s", 1.0, ""},
        {"%d", 1.0, ""},
        {"%n", 1.0, ""},
        {"%f %f", 1.0, ""},
        {"%Lf", 1.0, ""},
        {"%*f", 1.0, ""},
        {"%", 1.0, ""},
    };
    for (Case const& c : cases) {
        GBuffer b("previous");
        b.Set(c.value, GBuffer(c.format));
        EXPECT_EQ(Text(b), c.expected) << c.format;
        EXPECT_EQ(Text(GBuffer(c.value, GBuffer(c.format))), c.expected) << c.format;
    }
    GBuffer noFormat("previous");
    noFormat.Set(1.0, GBuffer());
    EXPECT_TRUE(noFormat.IsEmpty());

    GBuffer self("%.1f");
    self.Set(0.25, self);
    EXPECT_EQ(Text(self), "0.2");
}

// The C library builds the whole text of a width or precision, however large: such formats are
// refused like other bad ones, quickly and without the memory. The limit is 1024 for both.
TEST(GBuffer, RealsWithHugeWidthOrPrecisionAreRefused) {
    struct Case {
        char const* format;
        int length;  // -1: refused (empty text)
    };
    Case const cases[] = {
        {"%.777777777f", -1},
        {"%999999999f", -1},
        {"%.1025f", -1},
        {"%1025f", -1},
        {"%-+ #01025.3f", -1},
        {"%99999999999999999999999f", -1},  // past every integer type
        {"%.99999999999999999999999e", -1},
        {"x%.2000g", -1},
        {"%.1024f", 1},                     // 1.0 with every zero cut
        {"%1024f", 1024 - 7},               // padding kept, ".000000" cut
        {"%-1024.1024e", 1024 + 6},         // "1.000...0e+00" is 1030 wide
        {"%.000000000000000000000000001f", 1},  // leading zeros do not count
        {"%01024.0f", 1024},
    };
    for (Case const& c : cases) {
        GBuffer b("previous");
        b.Set(1.0, GBuffer(c.format));
        if (c.length < 0) {
            EXPECT_TRUE(b.IsEmpty()) << c.format;
        } else {
            EXPECT_EQ(b.GetLength(), c.length) << c.format;
            EXPECT_EQ(b.GetPtr()[b.GetLength()], 0) << c.format;
        }
    }
    GBuffer exact;
    exact.Set(-DBL_MAX, GBuffer("%.1024f"));
    EXPECT_EQ(exact.GetLength(), 310);  // sign and 309 digits; the fraction's zeros are cut
}

// A format that prints nothing gives an empty text (and hands no null pointer to the C library).
TEST(GBuffer, RealsWithFormatPrintingNothingAreEmpty) {
    GBuffer empty;
    empty.SetFromStatic("");
    GBuffer owned("x");
    owned.SetLength(0);  // an owned block of length 0
    GBuffer const* formats[] = {&GBuffer::cEmptyBuffer, &empty, &owned};
    for (GBuffer const* format : formats) {
        GBuffer b("previous");
        b.Set(2.5, *format);
        EXPECT_TRUE(b.IsEmpty());
        EXPECT_STREQ(reinterpret_cast<char const*>(b.GetPtr()), "");
    }
    GBuffer zeros("previous");
    zeros.Set(0.0, GBuffer("."));  // literal text cut to nothing by the zero rule
    EXPECT_TRUE(zeros.IsEmpty());
    GBuffer point;
    point.Set(0.0, GBuffer("0.000"));
    EXPECT_EQ(Text(point), "0");
}

// ---- Text to numbers ----

TEST(GBuffer, TextToIntegers) {
    struct Case {
        char const* text;
        int int32;
        unsigned int uint32;
        long long int64;
    };
    Case const cases[] = {
        {"42", 42, 42u, 42},
        {"  -1", -1, 4294967295u, -1},
        {"+12x", 12, 12u, 12},
        {"", 0, 0u, 0},
        {"abc", 0, 0u, 0},
        {"\b7", 0, 7u, 7},           // backspace is the framework's white space, not C's
        {"\f5", 5, 0u, 0},           // form feed is C's white space, not the framework's
        {"4294967297", 1, 1u, 4294967297LL},
        {"2147483648", std::numeric_limits<int>::min(), 2147483648u, 2147483648LL},
        {"99999999999999999999", -1, 1661992959u, 7766279631452241919LL},  // atol saturates, the others wrap
        {"-99999999999999999999", 0, 2632974337u, -7766279631452241919LL},
        {"9223372036854775808", -1, 0u, std::numeric_limits<long long>::min()},
        {"--1", 0, 0u, 0},
    };
    for (Case const& c : cases) {
        GBuffer b(c.text);
        EXPECT_EQ(b.GetInt32(), c.int32) << c.text;
        EXPECT_EQ(b.GetUInt32(), c.uint32) << c.text;
        EXPECT_EQ(b.GetInt64(), c.int64) << c.text;
    }
}

TEST(GBuffer, TextToReal) {
    struct Case {
        char const* text;
        double expected;
    };
    double const inf = std::numeric_limits<double>::infinity();
    Case const cases[] = {
        {"1.5", 1.5},       {" 1.5", 0.0},      {"1.5e3abc", 1500.0}, {"+2.5E-3", 0.0025}, {".5", 0.5},
        {"5.", 5.0},        {".", 0.0},         {"-", 0.0},           {"e5", 0.0},        {"1e", 1.0},
        {"1e+", 1.0},       {"1,5", 1.0},       {"-INF", -inf},       {"Infinity", inf},  {"1e400", inf},
        {"-1e400", -inf},   {"1e-400", 0.0},    {"0x10", 0.0},        {"", 0.0},          {"-.25", -0.25},
        {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
        {"0.1000000000000000055511151231257827", 0.1},
    };
    for (Case const& c : cases)
        EXPECT_EQ(GBuffer(c.text).GetReal(), c.expected) << c.text;
    EXPECT_TRUE(std::isnan(GBuffer("nan").GetReal()));
    EXPECT_TRUE(std::signbit(GBuffer("-NaN").GetReal()));
    EXPECT_TRUE(std::signbit(GBuffer("-0").GetReal()));

    GBuffer cut;
    cut.SetFromStatic("1.5", 2, 4);  // only "1." belongs to the buffer
    EXPECT_EQ(cut.GetReal(), 1.0);
    GBuffer borrowed;
    borrowed.SetFromStatic("2.5");
    EXPECT_EQ(borrowed.GetReal(), 2.5);
    EXPECT_EQ(borrowed.GetInt32(), 2);
    EXPECT_FALSE(borrowed.IsOwned());  // read in place
}

// ---- Locale independence ----

class GBufferUnderGermanLocale : public ::testing::Test {
protected:
    void SetUp() override {
        mPrevious = std::setlocale(LC_ALL, nullptr);
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
            GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/install-deps generates it)";
        mPreviousGlobal = std::locale::global(std::locale("de_DE.UTF-8"));
        mChanged = true;
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    }
    void TearDown() override {
        if (!mChanged)
            return;
        std::locale::global(mPreviousGlobal);
        std::setlocale(LC_ALL, mPrevious.c_str());
    }

private:
    std::string mPrevious;
    std::locale mPreviousGlobal;
    bool mChanged = false;
};

TEST_F(GBufferUnderGermanLocale, NumbersKeepThePoint) {
    EXPECT_EQ(Text(GBuffer(1.5)), "1.5");
    EXPECT_EQ(Text(GBuffer(2.0 / 3.0)), "0.666667");
    EXPECT_EQ(Text(GBuffer(1.5, GBuffer("%f"))), "1.5");
    EXPECT_EQ(Text(GBuffer(1500.0, GBuffer("%e"))), "1.500000e+03");
    EXPECT_EQ(Text(GBuffer(1234567.0, GBuffer("%'f"))), "1234567");  // no grouping either
    GBuffer high;
    high.SetWithHighPrecision(123456.0);
    EXPECT_EQ(Text(high), "1.23456e05");
    EXPECT_EQ(GBuffer("1.5").GetReal(), 1.5);
    EXPECT_EQ(GBuffer("1,5").GetReal(), 1.0);
    EXPECT_EQ(GBuffer(" -12").GetInt32(), -12);

    double const values[] = {1.5, -2.25, 1234.5, 0.125, -1e-5, 3.0};
    for (double v : values) {
        EXPECT_EQ(GBuffer(GBuffer(v)).GetReal(), v) << v;
        GBuffer precise;
        precise.SetWithPrecision(v, 16);
        EXPECT_EQ(precise.GetReal(), v) << v;
        EXPECT_EQ(GBuffer(v, GBuffer("%.17g")).GetReal(), v) << v;
    }
}

// ---- Sizes beyond a 32-bit length ----

TEST(GBuffer, GrowingPastTheLargestBlockThrowsAndKeepsTheBuffer) {
    static unsigned char const kBytes[] = "tiny";
    int const nearMax = 0x7FFFFFFE;  // any growth passes the largest block
    struct Case {
        char const* name;
        std::function<void(GBuffer&)> grow;
    };
    Case const cases[] = {
        {"append bytes", [](GBuffer& b) { b.AppendByteArray(kBytes, 16); }},
        {"append byte", [](GBuffer& b) { b += static_cast<unsigned char>('x'); }},
        {"append unit", [](GBuffer& b) { b += static_cast<unsigned short>(1); }},
        {"append text", [](GBuffer& b) { b += "xy"; }},
        {"replace", [](GBuffer& b) { b.ReplaceByteArray(0, 0, kBytes, 1); }},
    };
    // Bytes that are only reserved, never touched: they read as zeros and cost no memory.
    std::size_t const span = static_cast<std::size_t>(nearMax) + 1;
    void* reserved = mmap(nullptr, span, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (reserved == MAP_FAILED)
        GTEST_SKIP() << "cannot reserve 2 GB of address space";
    auto const* zeros = static_cast<unsigned char const*>(reserved);
    for (Case const& c : cases) {
        GBuffer b;
        b.TakeByteArray(zeros, nearMax, nearMax + 1);  // followed by a zero: borrowed, not copied
        ASSERT_FALSE(b.IsOwned()) << c.name;
        EXPECT_THROW(c.grow(b), GMemoryException) << c.name;
        EXPECT_EQ(b.GetLength(), nearMax) << c.name;
    }
    munmap(reserved, span);
    GBuffer b("abc");
    EXPECT_THROW(b.Allocate(std::numeric_limits<int>::max()), GMemoryException);
    EXPECT_THROW(b.SetLength(std::numeric_limits<int>::max() - 1), GMemoryException);
    EXPECT_THROW(b.Set(1, std::numeric_limits<int>::max()), GMemoryException);
    EXPECT_EQ(Text(b), "abc");
}
