#include "core/text/GName.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/base/GMutexLocker.h"

namespace {

GBuffer Bytes(std::string const& text) {
    return GBuffer(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(text.size()));
}

std::string Text(GName const& name) {
    GBuffer const& bytes = name.GetBuffer();
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<std::size_t>(bytes.GetLength()));
}

// How many records the table holds for text (0 or 1 when names are interned).
int RecordsFor(std::string const& text) {
    GName::NamesDictWithMutex& table = GName::GetNamesDictAndMutex();
    GMutexLocker lock(table.mMutex);
    GDict<GBuffer, GName::NameData*>& dict = GName::GetNameValues();
    int count = 0;
    for (int slot = 0; slot < dict.GetAllocation(); ++slot) {
        if (dict.IsSlotUsed(slot) && dict.GetKeyAt(slot) == Bytes(text))
            ++count;
    }
    return count;
}

TEST(GNameTest, EqualTextsShareOneRecordWhateverTheirSource) {
    GBuffer built;
    built += "Tro";
    built += "vel.Identity";
    GName fromLiteral("Trovel.Identity");
    GName fromBuffer(built);
    GName assigned;
    assigned.SetBuffer(Bytes("Trovel.Identity"));

    EXPECT_EQ(fromLiteral, fromBuffer);
    EXPECT_EQ(fromLiteral, assigned);
    EXPECT_EQ(fromLiteral.GetNameData(), fromBuffer.GetNameData());
    EXPECT_EQ(RecordsFor("Trovel.Identity"), 1);
    EXPECT_EQ(fromLiteral.GetHash(), Bytes("Trovel.Identity").GetHash());
    EXPECT_STREQ(fromBuffer.GetCString(), "Trovel.Identity");
}

TEST(GNameTest, DifferentTextsAreDifferentNames) {
    const std::string withZero("a\0b", 3);
    struct Case {
        std::string a;
        std::string b;
    } const cases[] = {
        {"name", "Name"},
        {"name", "name "},
        {"a", withZero},
        {"x", "xx"},
    };
    for (Case const& c : cases) {
        GName a(Bytes(c.a));
        GName b(Bytes(c.b));
        EXPECT_NE(a, b) << c.a << " / " << c.b;
        EXPECT_EQ(Text(a), c.a);
        EXPECT_EQ(Text(b), c.b);
    }
}

TEST(GNameTest, EmptyTextIsNoName) {
    GName none;
    GName fromEmpty("");
    GName fromNull(static_cast<char const*>(nullptr));
    GName fromEmptyBuffer{GBuffer()};
    for (GName const* name : {&none, &fromEmpty, &fromNull, &fromEmptyBuffer}) {
        EXPECT_TRUE(name->IsEmpty());
        EXPECT_EQ(*name, none);
        EXPECT_STREQ(name->GetCString(), "");
        EXPECT_EQ(name->GetBuffer().GetLength(), 0);
        EXPECT_EQ(name->GetHash(), 0u);
    }
    GName named("named");
    named.SetBuffer(GBuffer());
    EXPECT_TRUE(named.IsEmpty());
}

// A record used to keep a pointer to the caller's bytes.
TEST(GNameTest, NameMadeFromATemporaryStaysValid) {
    GName fromTemporary(std::string("Trovel.Temporary.").append(40, 'x').c_str());
    {
        std::string scratch("Trovel.Borrowed");
        GName fromScratch(scratch.c_str());
        std::memset(&scratch[0], '#', scratch.size());
        EXPECT_EQ(Text(fromScratch), "Trovel.Borrowed");
    }
    GBuffer lender;
    lender.SetFromStatic("Trovel.Lent");
    GName fromLender(lender);
    lender = "changed";

    EXPECT_EQ(Text(fromTemporary), "Trovel.Temporary." + std::string(40, 'x'));
    EXPECT_EQ(GName("Trovel.Borrowed"), GName(Bytes("Trovel.Borrowed")));
    EXPECT_STREQ(GName("Trovel.Borrowed").GetCString(), "Trovel.Borrowed");
    EXPECT_EQ(Text(fromLender), "Trovel.Lent");
}

TEST(GNameTest, CopiesAndReassignmentFollowTheRecord) {
    GName a("first");
    GName copy(a);
    EXPECT_EQ(copy, a);
    copy.SetBuffer(Bytes("second"));
    EXPECT_NE(copy, a);
    EXPECT_EQ(copy, GName("second"));
    EXPECT_EQ(Text(a), "first");

    GDict<GName, int> byName;
    byName.Put(GName("first"), 1);
    byName.Put(GName("second"), 2);
    int slot = 0;
    ASSERT_TRUE(byName.GetExistingIndex(GName(Bytes("second")), slot));
    EXPECT_EQ(byName.GetValueAt(slot), 2);
}

// SetBuffer with the name the object already has must not wait for the table: another thread
// holds the table's mutex meanwhile, and only releases it once the call returned (or gave up).
TEST(GNameTest, SetBufferWithTheSameNameTakesNoLock) {
    GName name("Trovel.NoLock");
    GName::NameData const* record = name.GetNameData();
    std::mutex m;
    std::condition_variable changed;
    bool locked = false;
    bool done = false;
    bool doneSeenWhileHolding = false;
    std::thread holder([&] {
        GMutexLocker hold(GName::GetNamesDictAndMutex().mMutex);
        std::unique_lock<std::mutex> guard(m);
        locked = true;
        changed.notify_all();
        doneSeenWhileHolding = changed.wait_for(guard, std::chrono::seconds(20), [&] { return done; });
    });
    {
        std::unique_lock<std::mutex> guard(m);
        changed.wait(guard, [&] { return locked; });
    }
    name.SetBuffer(Bytes("Trovel.NoLock"));
    {
        std::lock_guard<std::mutex> guard(m);
        done = true;
    }
    changed.notify_all();
    holder.join();
    EXPECT_TRUE(doneSeenWhileHolding);
    EXPECT_EQ(name.GetNameData(), record);
}

TEST(GNameTest, ThreadsInterningTheSameNamesGetTheSameRecords) {
    constexpr int kThreads = 8;
    constexpr int kNames = 300;
    std::vector<std::vector<GName::NameData const*>> seen(kThreads, std::vector<GName::NameData const*>(kNames));
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < kThreads) {
            }
            // Each thread walks the names in its own order, so first insertions race.
            for (int i = 0; i < kNames; ++i) {
                const int k = (i * 7 + t * 37) % kNames;
                seen[t][k] = GName(("Trovel.Threads." + std::to_string(k)).c_str()).GetNameData();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int k = 0; k < kNames; ++k) {
        for (int t = 1; t < kThreads; ++t)
            ASSERT_EQ(seen[t][k], seen[0][k]) << k;
        EXPECT_EQ(Text(GName(Bytes("Trovel.Threads." + std::to_string(k)))), "Trovel.Threads." + std::to_string(k));
    }
    EXPECT_EQ(RecordsFor("Trovel.Threads.123"), 1);
}

} // namespace
