#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "services/preferences/GPrefChangeJournal.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"

using namespace preftest;

namespace {

using Change = GPrefChangeJournal::Change;
using Groups = GPrefChangeJournal::Groups;

// What a file would hold: the non-empty groups and their entries.
std::map<std::string, std::map<std::string, std::string>> Written(Groups const& groups) {
    std::map<std::string, std::map<std::string, std::string>> out;
    for (int slot = 0; slot < groups.GetAllocation(); ++slot) {
        if (!groups.IsSlotUsed(slot) || groups.GetValueAt(slot).GetCount() == 0)
            continue;
        auto& entries = out[S(groups.GetKeyAt(slot))];
        GPrefChangeJournal::Group const& group = groups.GetValueAt(slot);
        for (int i = 0; i < group.GetAllocation(); ++i)
            if (group.IsSlotUsed(i))
                entries[S(group.GetKeyAt(i))] = U8(group.GetValueAt(i));
    }
    return out;
}

Groups RandomGroups(std::mt19937& random) {
    Groups groups;
    for (int g = 0; g < 4; ++g) {
        if (random() % 3 == 0)
            continue;
        GPrefChangeJournal::Group group;
        for (int k = 0; k < 5; ++k)
            if (random() % 2 == 0)
                group.Put(B("k" + std::to_string(k)), T("base" + std::to_string(random() % 10)));
        groups.Put(B("g" + std::to_string(g)), group);
    }
    return groups;
}

Change RandomChange(std::mt19937& random, int step) {
    GBuffer const group = B("g" + std::to_string(random() % 4));
    GBuffer const key = B("k" + std::to_string(random() % 5));
    switch (random() % 10) {
    case 0:
        return {Change::kRemoveGroup, group, GBuffer(), GString()};
    case 1:
    case 2:
        return {Change::kRemove, group, key, GString()};
    default:
        return {Change::kSet, group, key, T("v" + std::to_string(step))};
    }
}

class PrefChangeJournal : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
};

}  // namespace

// Replaying the journal onto any groups writes the same file as every change applied in turn,
// however the changes superseded one another.
TEST_F(PrefChangeJournal, ReplayMatchesEveryChangeAppliedInTurn) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        Groups const base = RandomGroups(random);
        Groups direct = base;
        GPrefChangeJournal journal;
        const int changes = 1 + static_cast<int>(random() % 200);
        for (int step = 0; step < changes; ++step) {
            Change change = RandomChange(random, step);
            GPrefChangeJournal::Apply(change, direct);
            journal.Add(change);
        }
        Groups replayed = base;
        journal.ApplyTo(replayed);
        ASSERT_EQ(Written(replayed), Written(direct)) << "round " << round;
        EXPECT_LE(journal.GetCount(), 4 * 5 + 4);
    }
}

TEST_F(PrefChangeJournal, StaysAsLargeAsTheKeysTouched) {
    GPrefChangeJournal journal;
    for (int i = 0; i < 100000; ++i)
        journal.Add({Change::kSet, B("Window"), B(i % 2 ? "x" : "y"), T(std::to_string(i))});
    EXPECT_EQ(journal.GetCount(), 2);
    journal.Add({Change::kRemoveGroup, B("Window"), GBuffer(), GString()});
    EXPECT_EQ(journal.GetCount(), 1);
    Groups groups;
    GPrefChangeJournal::Group window;
    window.Put(B("other"), T("theirs"));
    groups.Put(B("Window"), window);
    journal.ApplyTo(groups);
    EXPECT_EQ(groups.GetCount(), 0);
    journal.Clear();
    EXPECT_TRUE(journal.IsEmpty());
}

TEST_F(PrefChangeJournal, KeysThatRunTogetherStayApart) {
    GPrefChangeJournal journal;
    journal.Add({Change::kSet, B("ab"), B("c"), T("1")});
    journal.Add({Change::kSet, B("a"), B("bc"), T("2")});
    EXPECT_EQ(journal.GetCount(), 2);
    Groups groups;
    journal.ApplyTo(groups);
    EXPECT_EQ(Written(groups).at("ab").at("c"), "1");
    EXPECT_EQ(Written(groups).at("a").at("bc"), "2");
}
