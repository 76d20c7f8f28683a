#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/containers/GAutoTable.h"
#include "core/containers/GTable.h"
#include "core/containers/GTableIterator.h"
#include "support/SelfRef.h"

namespace {

// A handle declared safe to move bitwise: the table must not run its move constructor.
struct Handle {
    static int sMoves;
    explicit Handle(int v = 0) : value(std::make_unique<int>(v)) {}
    Handle(const Handle& other) : value(std::make_unique<int>(*other.value)) {}
    Handle(Handle&& other) noexcept : value(std::move(other.value)) { ++sMoves; }
    std::unique_ptr<int> value;
};
int Handle::sMoves = 0;

// Copies throw once the budget is spent.
struct Fragile {
    static int sCopiesLeft;
    explicit Fragile(int v = 0) : value(v) {}
    Fragile(const Fragile& other) : value(other.value) {
        if (sCopiesLeft-- <= 0)
            throw std::runtime_error("copy refused");
    }
    Fragile(Fragile&& other) noexcept : value(other.value) {}
    Fragile& operator=(const Fragile&) = default;
    int value;
};
int Fragile::sCopiesLeft = 0;

std::string Items(const GTable<char>& table) { return std::string(table.begin(), table.end()); }

GTable<char> MakeTable(const std::string& items) {
    GTable<char> table;
    table.AddItems(items.data(), static_cast<int>(items.size()));
    return table;
}

} // namespace

template <>
struct GIsRelocatable<Handle> : std::true_type {};

TEST(GTable, GrowthDoublesFromTwo) {
    GTable<int> table;
    EXPECT_EQ(table.GetCapacity(), 0);
    std::vector<int> capacities;
    for (int i = 0; i < 5; ++i) {
        table.AddItem(i);
        capacities.push_back(table.GetCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{2, 2, 4, 4, 8}));
    table.ExpandTo(3);
    EXPECT_EQ(table.GetCapacity(), 8);
}

TEST(GTable, AddItemsGrowsOnceToTheLargerOfNeedAndDouble) {
    GTable<int> table;
    const int items[] = {1, 2, 3, 4, 5, 6, 7};
    table.AddItems(items, 3);
    EXPECT_EQ(table.GetCapacity(), 3);
    table.AddItems(items, 1);
    EXPECT_EQ(table.GetCapacity(), 6);
    table.AddItems(items, 7);
    EXPECT_EQ(table.GetCapacity(), 12);
    EXPECT_EQ(table.GetCount(), 11);
    EXPECT_EQ(table[10], 7);
}

TEST(GTable, EditsKeepOrder) {
    GTable<char> table = MakeTable("abc");
    table.InsertItemAt(0, 'x');
    table.InsertItemAt(2, 'y');
    table.InsertItemAt(table.GetCount(), 'z');
    EXPECT_EQ(Items(table), "xaybcz");
    table.RemoveItemAt(1);
    table.RemoveLastItem();
    EXPECT_EQ(Items(table), "xybc");
    EXPECT_FALSE(table.AddUniqueItem('b'));
    EXPECT_TRUE(table.AddUniqueItem('q'));
    EXPECT_EQ(table.FindItem('c'), 3);
    EXPECT_EQ(table.FindItem('w'), -1);
    table.AddItem('b');
    EXPECT_TRUE(table.RemoveItem('b'));
    EXPECT_EQ(Items(table), "xycqb");
    EXPECT_FALSE(table.RemoveItem('w'));
    EXPECT_EQ(table.RemoveItemAll('b'), 1);
    table.AddItems("yyy", 3);
    EXPECT_EQ(table.RemoveItemAll('y'), 4);
    EXPECT_EQ(Items(table), "xcq");
}

TEST(GTable, ResizeMakesAndDestroysFromTheEnd) {
    SelfRef::sAlive = 0;
    {
        GTable<SelfRef> table;
        table.AddItem(SelfRef(1));
        table.Resize(4);
        EXPECT_EQ(table.GetCount(), 4);
        EXPECT_EQ(table[0].value, 1);
        EXPECT_EQ(table[3].value, 0);
        table.Resize(1);
        EXPECT_EQ(table.GetCount(), 1);
        EXPECT_EQ(table.GetCapacity(), 4);
        EXPECT_EQ(SelfRef::sAlive, 1);
    }
    EXPECT_EQ(SelfRef::sAlive, 0);
}

TEST(GTable, CopyAndAssignment) {
    GTable<char> a = MakeTable("abc");
    GTable<char> b(a);
    a[0] = 'z';
    EXPECT_EQ(Items(b), "abc");
    b = a;
    EXPECT_EQ(Items(b), "zbc");
    GTable<char>& self = b;
    b = self;
    EXPECT_EQ(Items(b), "zbc");
    b = GTable<char>();
    EXPECT_EQ(b.GetCount(), 0);
}

TEST(GTable, ItemsOfTheTableItselfCanBeAdded) {
    GTable<std::string> table;
    table.AddItem(std::string(40, 'a'));
    table.AddItem(std::string(40, 'b'));
    ASSERT_EQ(table.GetCapacity(), table.GetCount());
    table.AddItem(table[0]);
    table.InsertItemAt(0, table[2]);
    table.AddItems(table.begin(), table.GetCount());
    ASSERT_EQ(table.GetCount(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(table[i], std::string(40, "aabaaaba"[i])) << i;
    EXPECT_EQ(table.RemoveItemAll(table[0]), 6);
    EXPECT_EQ(table.GetCount(), 2);
}

TEST(GTable, ItemsPointingIntoThemselvesSurviveEveryMove) {
    SelfRef::sAlive = 0;
    {
        GTable<SelfRef> table;
        for (int i = 0; i < 20; ++i)
            table.InsertItemAt(i % 3 == 0 ? 0 : table.GetCount() / 2, SelfRef(i));
        for (int i = 0; i < 5; ++i)
            table.RemoveItemAt(i);
        GTable<SelfRef> copy(table);
        GTable<SelfRef> moved(std::move(copy));
        moved.AddItems(table.begin(), table.GetCount());
        for (const GTable<SelfRef>* t : {&table, &moved}) {
            for (const SelfRef& item : *t)
                EXPECT_TRUE(item.Intact()) << item.value;
        }
        EXPECT_EQ(SelfRef::sAlive, table.GetCount() + moved.GetCount());
    }
    EXPECT_EQ(SelfRef::sAlive, 0);
}

TEST(GTable, RelocatableItemsMoveBitwise) {
    GTable<Handle> table;
    for (int i = 0; i < 9; ++i)
        table.AddItem(Handle(i));
    Handle::sMoves = 0;
    table.ExpandTo(64);
    table.InsertItemAt(0, Handle(-1));
    table.RemoveItemAt(3);
    EXPECT_EQ(Handle::sMoves, 1); // only the argument moved into its place
    EXPECT_EQ(*table[0].value, -1);
    EXPECT_EQ(*table[3].value, 3);
}

TEST(GTable, FailedCopyLeavesTheTableAsItWas) {
    GTable<Fragile> table;
    Fragile::sCopiesLeft = 4;
    const Fragile items[] = {Fragile(1), Fragile(2), Fragile(3)};
    table.AddItems(items, 3);
    Fragile::sCopiesLeft = 0;
    EXPECT_THROW(table.InsertItemAt(1, items[0]), std::runtime_error);
    EXPECT_THROW(table.AddItems(items, 3), std::runtime_error);
    Fragile::sCopiesLeft = 1;
    EXPECT_THROW(table.AddItems(items, 3), std::runtime_error);
    ASSERT_EQ(table.GetCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(table[i].value, i + 1);
    Fragile::sCopiesLeft = 2;
    EXPECT_THROW(GTable<Fragile> copy(table), std::runtime_error); // and nothing leaks
    // With room to spare the items shift in place: a refused copy must come before any shift.
    table.ExpandTo(8);
    Fragile::sCopiesLeft = 0;
    EXPECT_THROW(table.InsertItemAt(1, items[2]), std::runtime_error);
    ASSERT_EQ(table.GetCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(table[i].value, i + 1);
}

TEST(GTable, StringsInsertedWithRoomToSpareKeepTheirOrder) {
    GTable<std::string> table;
    table.ExpandTo(16);
    std::vector<std::string> expected;
    for (int i = 0; i < 12; ++i) {
        // Short strings live inside the item, long ones on the heap; both kinds shift.
        std::string item = i % 2 == 0 ? std::to_string(i) : std::string(40, static_cast<char>('a' + i));
        const int at = i % 3 == 0 ? 0 : table.GetCount() / 2;
        std::string const& inserted = table.InsertItemAt(at, item);
        EXPECT_EQ(inserted, item);
        expected.insert(expected.begin() + at, item);
    }
    EXPECT_EQ(table.GetCapacity(), 16);
    EXPECT_EQ(std::vector<std::string>(table.begin(), table.end()), expected);
}

// One walk over "abcde": when it stands on `on`, it applies the edits (index offsets from the
// current item, applied in turn), then walks on.
struct WalkCase {
    const char* name;
    bool reverse;
    char on;
    std::vector<std::pair<char, int>> edits; // 'r' remove, 'i' insert 'X'
    const char* visits;
    const char* after;
};

class GTableWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(GTableWalk, VisitsWhatTheEditsLeaveAhead) {
    const WalkCase& c = GetParam();
    GTable<char> table = MakeTable("abcde");
    GTableIterator<char> it(table, c.reverse);
    std::string visits;
    bool edited = false;
    while (it.Next()) {
        visits += it.Current();
        if (edited || it.Current() != c.on)
            continue;
        edited = true;
        const int at = it.GetIndex();
        for (const auto& [kind, offset] : c.edits) {
            if (kind == 'r')
                table.RemoveItemAt(at + offset);
            else
                table.InsertItemAt(at + offset, 'X');
        }
    }
    EXPECT_EQ(visits, c.visits);
    EXPECT_EQ(Items(table), c.after);
    EXPECT_FALSE(it.Next());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GTableWalk,
    ::testing::Values(
        WalkCase{"ForwardRemoveCurrent", false, 'c', {{'r', 0}}, "abcde", "abde"},
        WalkCase{"ForwardRemoveBefore", false, 'c', {{'r', -1}}, "abcde", "acde"},
        WalkCase{"ForwardRemoveAfter", false, 'c', {{'r', 1}}, "abce", "abce"},
        WalkCase{"ForwardRemoveFirstWhileOnSecond", false, 'b', {{'r', -1}}, "abcde", "bcde"},
        WalkCase{"ForwardRemoveFirst", false, 'a', {{'r', 0}}, "abcde", "bcde"},
        WalkCase{"ForwardRemoveLast", false, 'e', {{'r', 0}}, "abcde", "abcd"},
        WalkCase{"ForwardInsertBefore", false, 'c', {{'i', -1}}, "abcde", "aXbcde"},
        WalkCase{"ForwardInsertAt", false, 'c', {{'i', 0}}, "abcde", "abXcde"},
        WalkCase{"ForwardInsertAfter", false, 'c', {{'i', 1}}, "abcXde", "abcXde"},
        WalkCase{"ForwardInsertAtEnd", false, 'e', {{'i', 1}}, "abcdeX", "abcdeX"},
        WalkCase{"ForwardRemoveCurrentInsertIntoGap", false, 'c', {{'r', 0}, {'i', 0}}, "abcde", "abXde"},
        WalkCase{"ForwardRemoveCurrentInsertAfterGap", false, 'c', {{'r', 0}, {'i', 1}}, "abcdXe", "abdXe"},
        WalkCase{"ForwardRemoveCurrentAndNext", false, 'c', {{'r', 0}, {'r', 0}}, "abce", "abe"},
        WalkCase{"ForwardRemoveCurrentAndBefore", false, 'c', {{'r', 0}, {'r', -1}}, "abcde", "ade"},
        WalkCase{"ForwardRemoveFirstTwice", false, 'a', {{'r', 0}, {'r', 0}}, "acde", "cde"},
        WalkCase{"ReverseRemoveCurrent", true, 'c', {{'r', 0}}, "edcba", "abde"},
        WalkCase{"ReverseRemoveBefore", true, 'c', {{'r', -1}}, "edca", "acde"},
        WalkCase{"ReverseRemoveAfter", true, 'c', {{'r', 1}}, "edcba", "abce"},
        WalkCase{"ReverseRemoveLast", true, 'e', {{'r', 0}}, "edcba", "abcd"},
        WalkCase{"ReverseRemoveFirst", true, 'a', {{'r', 0}}, "edcba", "bcde"},
        WalkCase{"ReverseInsertBefore", true, 'c', {{'i', -1}}, "edcbXa", "aXbcde"},
        WalkCase{"ReverseInsertAt", true, 'c', {{'i', 0}}, "edcXba", "abXcde"},
        WalkCase{"ReverseInsertAfter", true, 'c', {{'i', 1}}, "edcba", "abcXde"},
        WalkCase{"ReverseInsertAtFront", true, 'a', {{'i', 0}}, "edcbaX", "Xabcde"},
        WalkCase{"ReverseRemoveCurrentInsertIntoGap", true, 'c', {{'r', 0}, {'i', 0}}, "edcba", "abXde"},
        WalkCase{"ReverseRemoveCurrentInsertBeforeGap", true, 'c', {{'r', 0}, {'i', -1}}, "edcbXa", "aXbde"},
        WalkCase{"ReverseRemoveCurrentAndNext", true, 'c', {{'r', 0}, {'r', -1}}, "edca", "ade"},
        WalkCase{"ReverseRemoveCurrentAndBefore", true, 'c', {{'r', 0}, {'r', 0}}, "edcba", "abe"}),
    [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

TEST(GTableIterator, EditsBeforeTheFirstAdvance) {
    GTable<char> table = MakeTable("bc");
    GTableIterator<char> forward(table);
    GTableIterator<char> reverse(table, true);
    table.InsertItemAt(0, 'a');
    table.AddItem('d');
    std::string visits;
    while (forward.Next())
        visits += forward.Current();
    visits += '|';
    while (reverse.Next())
        visits += reverse.Current();
    EXPECT_EQ(visits, "abcd|dcba");
}

TEST(GTableIterator, DestroyedTableEndsEveryWalk) {
    auto table = std::make_unique<GTable<char>>(MakeTable("abc"));
    GTableIterator<char> first(*table);
    auto second = std::make_unique<GTableIterator<char>>(*table, true);
    ASSERT_TRUE(first.Next());
    table.reset();
    EXPECT_TRUE(first.IsStopped());
    EXPECT_FALSE(first.HasCurrent());
    EXPECT_FALSE(first.Next());
    EXPECT_FALSE(second->Next());
    second.reset();
}

TEST(GTableIterator, AWalkFollowsItsTableWhenTheTableIsMoved) {
    GTable<char> table = MakeTable("abc");
    GTableIterator<char> it(table);
    ASSERT_TRUE(it.Next());
    GTable<char> moved(std::move(table));
    table.AddItem('z');
    moved.RemoveItemAt(0);
    ASSERT_TRUE(it.Next());
    EXPECT_EQ(it.Current(), 'b');
}

TEST(GTableIterator, AssigningTheTableEndsTheWalk) {
    GTable<char> table = MakeTable("abc");
    GTableIterator<char> it(table);
    std::string visits;
    while (it.Next()) {
        visits += it.Current();
        if (it.Current() == 'b')
            table = MakeTable("xy");
    }
    EXPECT_EQ(visits, "ab");
    EXPECT_EQ(Items(table), "xy");
}

TEST(GTableIterator, DetachedWalksAreNotNotified) {
    GTable<char> table = MakeTable("abc");
    {
        GTableIterator<char> a(table);
        GTableIterator<char> b(table);
        GTableIterator<char> c(table);
    }
    table.RemoveItemAt(0); // would touch a destroyed walk if any were still linked
    EXPECT_EQ(Items(table), "bc");
}

TEST(GTableIterator, ShortcutsOnlyUseTheItemAWalkStandsOn) {
    // Capacity 4 and count 2: the bytes of '3' and '4' are still behind the items.
    GTable<char> table = MakeTable("1234");
    table.RemoveLastItem();
    table.RemoveLastItem();
    GTableIterator<char> ended(table);
    while (ended.Next()) {
    }
    EXPECT_FALSE(table.RemoveItem('3'));
    EXPECT_TRUE(table.AddUniqueItem('3'));
    EXPECT_EQ(Items(table), "123");

    GTableIterator<char> reverse(table, true);
    ASSERT_TRUE(reverse.Next());
    table.RemoveItemAt(2); // the walk now stands past the last item, on nothing
    EXPECT_FALSE(table.RemoveItem('3'));
    EXPECT_EQ(table.RemoveItemAll('3'), 0);
    EXPECT_EQ(Items(table), "12");
}

TEST(GTableIterator, RemoveItemTakesTheEqualItemTheWalkStandsOn) {
    GTable<char> table = MakeTable("xyx");
    GTableIterator<char> it(table);
    std::string visits;
    while (it.Next()) {
        visits += it.Current();
        if (it.GetIndex() == 2)
            table.RemoveItem('x');
    }
    EXPECT_EQ(visits, "xyx");
    EXPECT_EQ(Items(table), "xy");
}

TEST(GTableIterator, AddItemsWithAWalkAttachedAppendsEachItem) {
    GTable<char> table = MakeTable("ab");
    GTableIterator<char> it(table);
    std::string visits;
    while (it.Next()) {
        visits += it.Current();
        if (it.GetIndex() == 0)
            table.AddItems(table.begin(), 2);
    }
    EXPECT_EQ(visits, "abab");
}

namespace {

struct Member {
    static int sDeleted;
    explicit Member(GTable<Member*>* owner = nullptr) : mOwner(owner) {}
    virtual ~Member() {
        ++sDeleted;
        if (mOwner != nullptr)
            mOwner->RemoveItem(this);
    }
    GTable<Member*>* mOwner;
};
int Member::sDeleted = 0;

} // namespace

TEST(GTable, DeleteAllItemsLetsObjectsLeaveTheTableThemselves) {
    Member::sDeleted = 0;
    GTable<Member*> table;
    for (int i = 0; i < 4; ++i)
        table.AddItem(new Member(&table));
    GTableIterator<Member*> it(table);
    ASSERT_TRUE(it.Next());
    table.DeleteAllItems();
    EXPECT_EQ(Member::sDeleted, 4);
    EXPECT_EQ(table.GetCount(), 0);
    EXPECT_FALSE(it.Next());
}

TEST(GAutoTable, DeletesItsObjectsAndSkipsNullItems) {
    Member::sDeleted = 0;
    {
        GAutoTable<Member> table;
        table.AddItem(new Member);
        table.AddItem(nullptr);
        table.AddItem(new Member);
        Member* kept = table[0];
        table.RemoveItemAt(0);
        delete kept;
        EXPECT_EQ(Member::sDeleted, 1);
    }
    EXPECT_EQ(Member::sDeleted, 2);
}
