#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/containers/GDict.h"
#include "core/containers/GPair.h"
#include "support/SelfRef.h"

namespace {

// A key whose hash and comparisons are counted, to see which slots a search inspects.
struct CountedKey {
    static int sHashes;
    static int sCompares;
    int value;
    uint32_t GetHash() const {
        ++sHashes;
        return static_cast<uint32_t>(value);
    }
    bool operator==(const CountedKey& other) const {
        ++sCompares;
        return value == other.value;
    }
};
int CountedKey::sHashes = 0;
int CountedKey::sCompares = 0;

// Hashed through a specialisation instead of a member.
struct Point {
    int x, y;
    bool operator==(const Point& other) const { return x == other.x && y == other.y; }
};

struct Fragile {
    static bool sRefuse;
    explicit Fragile(int v = 0) : value(v) {}
    Fragile(const Fragile& other) : value(other.value) {
        if (sRefuse)
            throw std::runtime_error("copy refused");
    }
    Fragile(Fragile&& other) noexcept : value(other.value) {}
    Fragile& operator=(const Fragile&) = default;
    int value;
};
bool Fragile::sRefuse = false;

enum class Colour : int { kRed = 3, kBlue = 10 };

template <class K, class V>
int SlotOf(const GDict<K, V>& dict, const K& key) {
    int slot = -1;
    return dict.GetExistingIndex(key, slot) ? slot : -1;
}

template <class K, class V>
int SumOfHomeCounts(const GDict<K, V>& dict) {
    int sum = 0;
    for (int i = 0; i < dict.GetAllocation(); ++i)
        sum += dict.GetHomeCount(i);
    return sum;
}

} // namespace

template <>
struct GDictHash<Point> {
    static uint32_t Hash(const Point& p) { return static_cast<uint32_t>(p.x * 31 + p.y); }
};

TEST(GDictUtil, AllocationIsTheFirstPrimePastFourThirds) {
    const std::pair<int, int> cases[] = {{-1, 7},     {0, 7},       {5, 7},       {6, 13},          {9, 13},
                                         {10, 23},    {100, 173},   {4209912, 5613217}, {4209913, 11226434},
                                         {5000000, 11226434}, {20000000, 44905736}};
    for (const auto& [n, allocation] : cases)
        EXPECT_EQ(GDictUtil::GetAllocation(n), allocation) << n;
    EXPECT_THROW(GDictUtil::GetAllocation(INT32_MAX), GMemoryException);
}

TEST(GDict, GrowsAtThreeQuartersOfItsSlots) {
    GDict<int, int> dict(0);
    EXPECT_EQ(dict.GetAllocation(), 7);
    for (int key = 1; key <= 4; ++key)
        dict.Put(key * 100, key);
    EXPECT_EQ(dict.GetAllocation(), 7);
    dict.Put(500, 5);
    EXPECT_EQ(dict.GetAllocation(), 23);
    EXPECT_EQ(dict.GetCount(), 5);
    for (int key = 1; key <= 5; ++key) {
        const int slot = SlotOf(dict, key * 100);
        ASSERT_GE(slot, 0);
        EXPECT_EQ(dict.GetValueAt(slot), key);
    }
    EXPECT_EQ(SumOfHomeCounts(dict), 5);
}

TEST(GDict, PutReplacesAndRemoveForgets) {
    GDict<int, std::string> dict;
    dict.Put(1, "one");
    dict.Put(1, "uno");
    EXPECT_EQ(dict.GetCount(), 1);
    EXPECT_EQ(dict.GetValueAt(SlotOf(dict, 1)), "uno");
    EXPECT_FALSE(dict.Remove(2));
    EXPECT_TRUE(dict.Remove(1));
    EXPECT_FALSE(dict.Remove(1));
    EXPECT_EQ(dict.GetCount(), 0);
    EXPECT_EQ(SlotOf(dict, 1), -1);
    EXPECT_EQ(SumOfHomeCounts(dict), 0);
}

TEST(GDict, GetIndexGivesTheHomeOrItsComplementAndTheSlot) {
    GDict<int, int> dict(0);
    dict.Put(3, 30);
    dict.Put(10, 100); // home 3, taken by 3: goes to slot 4
    int slot = -1;
    EXPECT_EQ(dict.GetIndex(10, slot), 3);
    EXPECT_EQ(slot, 4);
    EXPECT_EQ(dict.GetIndex(17, slot), ~3);
    EXPECT_EQ(slot, 5);
    EXPECT_EQ(dict.GetIndex(4, slot), ~4); // home 4 is held by a key of home 3
    EXPECT_EQ(slot, 5);
    EXPECT_EQ(dict.GetHomeCount(3), 2);
    EXPECT_EQ(dict.GetHomeCount(4), 0);
}

TEST(GDict, RemovedSlotIsReusedWithinItsHomeRun) {
    GDict<int, int> dict(0);
    dict.Put(1, 0);
    dict.Put(8, 0);
    dict.Put(15, 0);
    ASSERT_EQ(SlotOf(dict, 8), 2);
    ASSERT_EQ(SlotOf(dict, 15), 3);
    dict.RemoveIndex(2, 1);
    EXPECT_EQ(dict.GetHomeCount(1), 2);
    EXPECT_FALSE(dict.IsSlotUsed(2));
    EXPECT_EQ(SlotOf(dict, 15), 3);
    dict.Put(22, 0);
    EXPECT_EQ(SlotOf(dict, 22), 2);
    EXPECT_EQ(dict.GetHomeCount(1), 3);
}

TEST(GDict, SearchStopsAfterTheKeysOfItsHome) {
    GDict<CountedKey, int> dict(0);
    dict.Put({1}, 0);
    dict.Put({2}, 0);
    dict.Put({8}, 0); // home 1, lands in slot 3
    int slot = -1;

    CountedKey::sHashes = CountedKey::sCompares = 0;
    EXPECT_LT(dict.GetIndex({4}, slot), 0); // home 4: free, no key of its own
    EXPECT_EQ(slot, 4);
    EXPECT_EQ(CountedKey::sHashes, 1);
    EXPECT_EQ(CountedKey::sCompares, 0);

    // Stored hashes tell the other keys apart: neither rehashed nor compared.
    CountedKey::sHashes = CountedKey::sCompares = 0;
    EXPECT_LT(dict.GetIndex({9}, slot), 0); // home 2: one key of its own, in slot 2
    EXPECT_EQ(slot, 4);
    EXPECT_EQ(CountedKey::sHashes, 1);
    EXPECT_EQ(CountedKey::sCompares, 0);

    CountedKey::sHashes = CountedKey::sCompares = 0;
    EXPECT_LT(dict.GetIndex({15}, slot), 0); // home 1: its keys in slots 1 and 3, slot 4 is not looked at
    EXPECT_EQ(slot, 4);
    EXPECT_EQ(CountedKey::sHashes, 1);
    EXPECT_EQ(CountedKey::sCompares, 0);

    CountedKey::sHashes = CountedKey::sCompares = 0;
    EXPECT_GE(dict.GetIndex({8}, slot), 0); // found in slot 3: one compare, of the key itself
    EXPECT_EQ(slot, 3);
    EXPECT_EQ(CountedKey::sHashes, 1);
    EXPECT_EQ(CountedKey::sCompares, 1);
}

TEST(GDict, RunsWrapPastTheLastSlot) {
    GDict<int, int> dict(0);
    dict.Put(6, 1);
    dict.Put(13, 2);
    dict.Put(20, 3);
    EXPECT_EQ(SlotOf(dict, 6), 6);
    EXPECT_EQ(SlotOf(dict, 13), 0);
    EXPECT_EQ(SlotOf(dict, 20), 1);
    dict.Remove(13);
    EXPECT_EQ(SlotOf(dict, 20), 1);
    int slot = -1;
    EXPECT_EQ(dict.GetIndex(27, slot), ~6);
    EXPECT_EQ(slot, 0);
    // Home 6 taken by a key of home 5 and every slot after it used: the free slot is found past the wrap.
    GDict<int, int> full(0);
    full.Put(5, 0);
    full.Put(12, 0);
    full.Put(0, 0);
    full.Put(1, 0);
    EXPECT_EQ(SlotOf(full, 12), 6);
    EXPECT_EQ(full.GetIndex(6, slot), ~6);
    EXPECT_EQ(slot, 2);
}

TEST(GDict, MatchesAReferenceMapThroughGrowthAndRemovals) {
    std::mt19937 random(7);
    GDict<int, int> dict;
    std::map<int, int> reference;
    for (int step = 0; step < 20000; ++step) {
        const int key = static_cast<int>(random() % 3000) - 1500;
        if (random() % 3 == 0) {
            EXPECT_EQ(dict.Remove(key), reference.erase(key) == 1);
        } else {
            dict.Put(key, step);
            reference[key] = step;
        }
    }
    ASSERT_EQ(dict.GetCount(), static_cast<int>(reference.size()));
    EXPECT_EQ(SumOfHomeCounts(dict), dict.GetCount());
    for (int key = -1600; key < 1600; ++key) {
        const int slot = SlotOf(dict, key);
        const auto found = reference.find(key);
        ASSERT_EQ(slot >= 0, found != reference.end()) << key;
        if (slot >= 0) {
            EXPECT_EQ(dict.GetValueAt(slot), found->second);
        }
    }
    std::map<int, int> walked;
    for (int slot = 0; slot < dict.GetAllocation(); ++slot) {
        if (dict.IsSlotUsed(slot))
            walked[dict.GetKeyAt(slot)] = dict.GetValueAt(slot);
    }
    EXPECT_EQ(walked, reference);
}

TEST(GDict, CopyAndAssignment) {
    GDict<int, std::string> a;
    for (int i = 0; i < 10; ++i)
        a.Put(i, std::to_string(i));
    GDict<int, std::string> b(a);
    a.Put(3, "three");
    EXPECT_EQ(b.GetValueAt(SlotOf(b, 3)), "3");
    b = a;
    EXPECT_EQ(b.GetValueAt(SlotOf(b, 3)), "three");
    GDict<int, std::string>& self = b;
    b = self;
    EXPECT_EQ(b.GetCount(), 10);
    EXPECT_EQ(b.GetValueAt(SlotOf(b, 9)), "9");
    b.RemoveAll();
    EXPECT_EQ(b.GetCount(), 0);
    EXPECT_EQ(SumOfHomeCounts(b), 0);
    EXPECT_EQ(SlotOf(b, 9), -1);
    EXPECT_EQ(a.GetCount(), 10);
}

TEST(GDict, KeysAndValuesPointingIntoThemselvesSurviveRehash) {
    SelfRef::sAlive = 0;
    {
        GDict<SelfRef, SelfRef> dict;
        for (int i = 0; i < 200; ++i)
            dict.Put(SelfRef(i), SelfRef(-i));
        for (int i = 0; i < 200; i += 3)
            dict.Remove(SelfRef(i));
        GDict<SelfRef, SelfRef> copy(dict);
        for (const GDict<SelfRef, SelfRef>* d : {&dict, &copy}) {
            for (int slot = 0; slot < d->GetAllocation(); ++slot) {
                if (!d->IsSlotUsed(slot))
                    continue;
                EXPECT_TRUE(d->GetKeyAt(slot).Intact());
                EXPECT_TRUE(d->GetValueAt(slot).Intact());
                EXPECT_EQ(d->GetValueAt(slot).value, -d->GetKeyAt(slot).value);
            }
        }
        EXPECT_EQ(SelfRef::sAlive, 2 * (dict.GetCount() + copy.GetCount()));
    }
    EXPECT_EQ(SelfRef::sAlive, 0);
}

TEST(GDict, FailedPutLeavesTheDictionaryAsItWas) {
    GDict<int, Fragile> dict(0);
    for (int i = 0; i < 4; ++i)
        dict.Put(i, Fragile(i));
    Fragile::sRefuse = true;
    EXPECT_THROW(dict.Put(9, Fragile(9)), std::runtime_error);
    Fragile::sRefuse = false;
    EXPECT_EQ(dict.GetCount(), 4);
    EXPECT_EQ(dict.GetAllocation(), 7);
    EXPECT_EQ(SlotOf(dict, 9), -1);
    EXPECT_EQ(SumOfHomeCounts(dict), 4);
    Fragile::sRefuse = true;
    EXPECT_THROW((GDict<int, Fragile>(dict)), std::runtime_error); // and nothing leaks
    Fragile::sRefuse = false;
}

TEST(GDict, KeyKindsHashAsDocumented) {
    EXPECT_EQ(GDictHash<int>::Hash(-1), 0xffffffffu);
    EXPECT_EQ(GDictHash<unsigned short>::Hash(65535), 65535u);
    EXPECT_EQ(GDictHash<Colour>::Hash(Colour::kBlue), 10u);
    EXPECT_EQ(GDictHash<const void*>::Hash(reinterpret_cast<const void*>(uintptr_t{0x1234567890})), 0x34567890u);

    GDict<Colour, int> colours;
    colours.Put(Colour::kRed, 1);
    colours.Put(Colour::kBlue, 2);
    EXPECT_EQ(SlotOf(colours, Colour::kRed), 3);
    EXPECT_EQ(SlotOf(colours, Colour::kBlue), 4); // home 3 as well

    GDict<Point, int> points;
    points.Put({1, 2}, 12);
    points.Put({2, 1}, 21);
    EXPECT_EQ(points.GetValueAt(SlotOf(points, Point{2, 1})), 21);

    int value = 0;
    GDict<int*, GPair<int, int>> pointers;
    pointers.Put(&value, GPair<int, int>(4, 5));
    EXPECT_TRUE(pointers.GetValueAt(SlotOf(pointers, &value)) == (GPair<int, int>(4, 5)));
}

namespace {

struct Entry {
    static int sDeleted;
    Entry(GDict<int, Entry*>* dict, int key) : mDict(dict), mKey(key) {}
    ~Entry() {
        ++sDeleted;
        if (mDict != nullptr)
            mDict->Remove(mKey);
    }
    GDict<int, Entry*>* mDict;
    int mKey;
};
int Entry::sDeleted = 0;

} // namespace

TEST(GDict, DeleteTakesTheKeyOutBeforeTheObjectGoes) {
    Entry::sDeleted = 0;
    GDict<int, Entry*> dict;
    for (int key = 0; key < 12; ++key)
        dict.Put(key, new Entry(&dict, key));
    EXPECT_TRUE(dict.Delete(5));
    EXPECT_FALSE(dict.Delete(5));
    EXPECT_EQ(Entry::sDeleted, 1);
    EXPECT_EQ(dict.GetCount(), 11);
    dict.DeleteAll();
    EXPECT_EQ(Entry::sDeleted, 12);
    EXPECT_EQ(dict.GetCount(), 0);
    EXPECT_EQ(SumOfHomeCounts(dict), 0);
}
