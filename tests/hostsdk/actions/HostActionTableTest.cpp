#include "hostsdk/actions/HostActionTable.h"

#include "hostsdk/HostSdkTest.h"
#include "hostsdk/actions/HostActionStateList.h"

namespace {

using namespace hostsdktest;

HostAction Action(ActionID id, ClassID component, std::int32_t enabled = 1) {
    HostAction action;
    action.id = id;
    action.component = component;
    action.name = "Action " + std::to_string(id);
    action.enabledAtStart = enabled;
    return action;
}

class HostActionTableTest : public HostSdkTest {
protected:
    void SetUp() override {
        HostSdkTest::SetUp();
        ASSERT_EQ(mTable.Add(Action(4, 100)), kSuccess);
        ASSERT_EQ(mTable.Add(Action(6, 100, 0)), kSuccess);
        ASSERT_EQ(mTable.Add(Action(8, 200)), kSuccess);
    }
    HostActionTable mTable;
};

TEST_F(HostActionTableTest, ActionsAreAddedOnceAndListedByComponentInOrder) {
    EXPECT_EQ(mTable.Add(Action(4, 300)), kFailure);
    EXPECT_EQ(mTable.Find(4)->component, 100u);
    EXPECT_EQ(mTable.ActionsOf(100), (std::vector<ActionID>{4, 6}));
    EXPECT_TRUE(mTable.Find(4)->enabled);
    EXPECT_FALSE(mTable.Find(6)->enabled);
    EXPECT_FALSE(mTable.Has(5));
}

TEST_F(HostActionTableTest, MenuItemsNeedAKnownActionAndOneItemPerMenu) {
    EXPECT_EQ(mTable.AddMenuItem(4, {"Main:&File", 1301.0, 0}), kSuccess);
    EXPECT_EQ(mTable.AddMenuItem(4, {"Main:&File", 1302.0, 0}), kFailure);
    EXPECT_EQ(mTable.AddMenuItem(4, {"BookPanelPopup", 1101.0, 0}), kSuccess);
    EXPECT_EQ(mTable.AddMenuItem(5, {"Main:&File", 1.0, 0}), kFailure);
    EXPECT_EQ(mTable.MenuItemCount(), 2u);
}

TEST_F(HostActionTableTest, AShortcutAddedAgainIsNoChangeAndAnotherActionsShortcutIsRefused) {
    const HostAction::Shortcut shortcut{"DefaultContext", 'E', 3};
    EXPECT_EQ(mTable.AddShortcut(4, shortcut), kSuccess);
    EXPECT_EQ(mTable.AddShortcut(4, shortcut), kSuccess);
    EXPECT_EQ(mTable.Find(4)->shortcuts.size(), 1u);
    EXPECT_EQ(mTable.AddShortcut(6, shortcut), kFailure);
    EXPECT_EQ(mTable.AddShortcut(6, {"TextContext", 'E', 3}), kSuccess);
    EXPECT_EQ(mTable.AddShortcut(5, {"DefaultContext", 'F', 0}), kFailure);
}

TEST_F(HostActionTableTest, TheStateListCarriesOneComponentsActionsAndWritesBackWhatItSet) {
    HostActionStateList list(mTable, mTable.ActionsOf(100));
    ASSERT_EQ(list.Length(), 2);
    EXPECT_EQ(list.GetNthAction(1), 6u);
    list.SetNthActionState(0, IActionStateList::kDisabled);
    list.SetNthActionState(1, IActionStateList::kEnabled);
    list.SetNthActionName(1, "Export Book...");
    EXPECT_EQ(HostCallLog::Violations(), 0);
    // Outside the list: logged as broken rules, nothing changes.
    EXPECT_EQ(list.GetNthAction(2), 0u);
    list.SetNthActionState(-1, IActionStateList::kEnabled);
    list.SetNthActionName(2, "x");
    EXPECT_EQ(HostCallLog::Violations(), 3);
    list.Apply(mTable);
    EXPECT_FALSE(mTable.Find(4)->enabled);
    EXPECT_TRUE(mTable.Find(6)->enabled);
    EXPECT_EQ(mTable.Find(6)->shownName, "Export Book...");
    EXPECT_TRUE(mTable.Find(8)->enabled);
}

}  // namespace
