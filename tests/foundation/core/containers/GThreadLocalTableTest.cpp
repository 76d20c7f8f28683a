// One table per thread, keyed by the thread's full identifier.
#include <gtest/gtest.h>

#include <pthread.h>

#include <thread>
#include <type_traits>

#include "core/base/GThreadKey.h"
#include "core/containers/GDict.h"
#include "core/containers/GThreadLocalTable.h"

namespace {

TEST(GThreadLocalTable, EachThreadHasItsOwnTable) {
    GThreadLocalTable<int> tables;
    EXPECT_EQ(static_cast<const GThreadLocalTable<int>&>(tables).Instance(), nullptr);
    tables.AddItem(1);
    tables.AddItem(2);
    std::thread other([&] {
        EXPECT_EQ(static_cast<const GThreadLocalTable<int>&>(tables).Instance(), nullptr);
        tables.Instance().AddItem(30);
        EXPECT_EQ(tables.Instance().GetCount(), 1);
    });
    other.join();
    const GTable<int>* mine = static_cast<const GThreadLocalTable<int>&>(tables).Instance();
    ASSERT_NE(mine, nullptr);
    ASSERT_EQ(mine->GetCount(), 2);
    EXPECT_EQ((*mine)[1], 2);
    EXPECT_EQ(tables.CountThreadTables(), 2);
}

TEST(GThreadLocalTable, RemovingTheLastEqualItemAndRetiringEmptyTables) {
    GThreadLocalTable<int> tables;
    const GThreadKey me = GThreadKey::Current();
    tables.AddItem(5);
    tables.AddItem(6);
    tables.AddItem(5);
    EXPECT_TRUE(tables.RemoveItem(me, 5));
    int last = 0;
    EXPECT_TRUE(tables.VisitLastItem([&](int item) { last = item; }));
    EXPECT_EQ(last, 6);
    EXPECT_FALSE(tables.RemoveItem(me, 7));
    EXPECT_TRUE(tables.RemoveItem(me, 6));
    EXPECT_TRUE(tables.RemoveItem(me, 5));
    EXPECT_EQ(tables.CountThreadTables(), 0);
    EXPECT_FALSE(tables.VisitLastItem([&](int) { ADD_FAILURE(); }));
    EXPECT_FALSE(tables.RemoveItem(me, 5));
    // The spare table serves the next thread that needs one, empty.
    std::thread other([&] { EXPECT_EQ(tables.Instance().GetCount(), 0); });
    other.join();
}

TEST(GThreadLocalTable, AnotherThreadRemovesFromTheTableItNames) {
    GThreadLocalTable<int> tables;
    tables.AddItem(1);
    const GThreadKey me = GThreadKey::Current();
    std::thread other([&] {
        tables.AddItem(1);
        EXPECT_TRUE(tables.RemoveItem(me, 1));
        EXPECT_EQ(tables.Instance().GetCount(), 1);
    });
    other.join();
    EXPECT_EQ(static_cast<const GThreadLocalTable<int>&>(tables).Instance(), nullptr);
}

// Identifiers that agree in their low 32 bits belong to different threads all the same.
TEST(GThreadKey, KeysDifferingOnlyAboveBit32AreDifferent) {
    if (!std::is_integral<pthread_t>::value || sizeof(pthread_t) < 8)
        GTEST_SKIP() << "thread identifiers are not 64-bit integers here";
    const GThreadKey low(static_cast<pthread_t>(0x0000000100001234ull));
    const GThreadKey high(static_cast<pthread_t>(0x0000000200001234ull));
    EXPECT_NE(low, high);
    EXPECT_NE(low.GetHash(), high.GetHash());
    GDict<GThreadKey, int> dict;
    dict.Put(low, 1);
    dict.Put(high, 2);
    EXPECT_EQ(dict.GetCount(), 2);
    int slot = 0;
    ASSERT_TRUE(dict.GetExistingIndex(low, slot));
    EXPECT_EQ(dict.GetValueAt(slot), 1);
    EXPECT_EQ(GThreadKey::Current(), GThreadKey(pthread_self()));
}

}  // namespace
