#include <gtest/gtest.h>

#include <string>

#include "core/streams/GMemoryOutStream.h"
#include "services/preferences/GPrefMemoryModule.h"
#include "services/preferences/GPrefModule.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"

using namespace preftest;

namespace {

// A module with no store of its own, counting the reads and writes the base asks for, and
// opening the journal for tests.
class CountingModule : public GPrefModule {
public:
    CountingModule() : GPrefModule(nullptr) {}
    void ReadDict() override {
        ++reads;
        ClearForRead();
    }
    void WriteDict() override {
        ++writes;
        SetDirty(false);
        ClearOwnChanges();
    }
    void Replay(Groups& groups) const { ApplyOwnChanges(groups); }
    bool Journaled() const { return HasOwnChanges(); }
    int reads = 0;
    int writes = 0;
};

class PrefModule : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
    CountingModule m;
};

std::string Text(GPrefModule const& module) {
    GBuffer bytes;
    {
        GMemoryOutStream out(bytes);
        module.GetPrefsDataToStream(out, UTF8());
    }
    return S(bytes);
}

}  // namespace

TEST_F(PrefModule, MissingGroupOrKeyReadsEmpty) {
    EXPECT_FALSE(m.Has(B("G"), B("k")));
    EXPECT_TRUE(m.Get(B("G"), B("k")).IsEmpty());
    m.Set(B("G"), B("k"), T("v"));
    EXPECT_TRUE(m.Has(B("G"), B("k")));
    EXPECT_FALSE(m.Has(B("G"), B("other")));
    EXPECT_EQ(U8(m.Get(B("G"), B("k"))), "v");
    m.Set(B("G"), B("k"), T("w"));
    EXPECT_EQ(U8(m.Get(B("G"), B("k"))), "w");
}

TEST_F(PrefModule, EveryChangeMarksDirtyRemoveOfMissingKeyToo) {
    EXPECT_FALSE(m.IsDirty());
    m.Remove(B("G"), B("nothing"));
    EXPECT_TRUE(m.IsDirty());
    m.FlushPrefs();
    EXPECT_EQ(m.writes, 1);
    EXPECT_FALSE(m.IsDirty());
    m.RemoveGroup(B("none"));
    EXPECT_TRUE(m.IsDirty());
    m.Refresh();
    EXPECT_EQ(m.reads, 1);
    EXPECT_FALSE(m.IsDirty());
}

TEST_F(PrefModule, RemoveKeepsTheEmptyGroupRemoveGroupDropsIt) {
    m.Set(B("G"), B("k"), T("v"));
    m.Remove(B("G"), B("k"));
    GTable<GBuffer> names;
    m.GetGroupNames(names);
    ASSERT_EQ(names.GetCount(), 1);
    EXPECT_EQ(S(names[0]), "G");
    m.RemoveGroup(B("G"));
    names.Resize(0);
    m.GetGroupNames(names);
    EXPECT_EQ(names.GetCount(), 0);
}

TEST_F(PrefModule, GroupPreferencesInBothForms) {
    m.Set(B("G"), B("a"), T("1"));
    m.Set(B("G"), B("b"), T("2"));
    GTable<GBuffer> keys;
    keys.AddItem(B("kept"));
    m.GetGroupPreferences(B("G"), keys);
    EXPECT_EQ(keys.GetCount(), 3);  // appended
    m.GetGroupPreferences(B("missing"), keys);
    EXPECT_EQ(keys.GetCount(), 3);
    GPrefModule::Group entries;
    entries.Put(B("stale"), T("x"));
    m.GetGroupPreferences(B("G"), entries);
    EXPECT_EQ(entries.GetCount(), 2);
    m.GetGroupPreferences(B("missing"), entries);
    EXPECT_EQ(entries.GetCount(), 0);
}

TEST_F(PrefModule, UpdateWithCopiesEverythingAndMarksDirty) {
    GPrefMemoryModule other;
    other.Set(B("A"), B("x"), T("1"));
    other.Set(B("B"), B("y"), T("2"));
    m.Set(B("A"), B("x"), T("old"));
    m.Set(B("A"), B("z"), T("mine"));
    m.FlushPrefs();
    m.UpdateWith(&other);
    EXPECT_TRUE(m.IsDirty());
    EXPECT_EQ(U8(m.Get(B("A"), B("x"))), "1");
    EXPECT_EQ(U8(m.Get(B("A"), B("z"))), "mine");
    EXPECT_EQ(U8(m.Get(B("B"), B("y"))), "2");
    CountingModule clean;
    GPrefMemoryModule empty;
    clean.UpdateWith(&empty);
    EXPECT_FALSE(clean.IsDirty());
}

TEST_F(PrefModule, RolledBackTransactionRestoresGroupsAndDirtyFlag) {
    m.Set(B("G"), B("k"), T("before"));
    m.FlushPrefs();
    m.StartUsingTempModule();
    m.Set(B("G"), B("k"), T("during"));
    m.Set(B("H"), B("n"), T("new"));
    m.RemoveGroup(B("G"));
    m.EndUsingTempModule(false);
    EXPECT_EQ(U8(m.Get(B("G"), B("k"))), "before");
    EXPECT_FALSE(m.Has(B("H"), B("n")));
    EXPECT_FALSE(m.IsDirty());
    EXPECT_FALSE(m.Journaled());
}

TEST_F(PrefModule, SetIgnoreTempSurvivesRollBack) {
    m.Set(B("G"), B("k"), T("before"));
    m.FlushPrefs();
    m.StartUsingTempModule();
    m.Set(B("G"), B("k"), T("during"));
    m.SetIgnoreTemp(B("G"), B("sticky"), T("kept"));
    m.EndUsingTempModule(false);
    EXPECT_EQ(U8(m.Get(B("G"), B("k"))), "before");
    EXPECT_EQ(U8(m.Get(B("G"), B("sticky"))), "kept");
    EXPECT_TRUE(m.IsDirty());
    // The journal holds the sticky value and not the rolled-back one.
    GPrefModule::Groups fresh;
    m.Replay(fresh);
    EXPECT_EQ(fresh.GetCount(), 1);
    int slot = 0;
    ASSERT_TRUE(fresh.GetExistingIndex(B("G"), slot));
    EXPECT_EQ(fresh.GetValueAt(slot).GetCount(), 1);
}

TEST_F(PrefModule, NestedTransactionsOnlyOutermostEndActsOneKeepKeeps) {
    struct Case {
        bool inner;
        bool outer;
        bool kept;
    } const cases[] = {{false, false, false}, {true, false, true}, {false, true, true}, {true, true, true}};
    for (Case const& c : cases) {
        CountingModule module;
        module.StartUsingTempModule();
        module.StartUsingTempModule();
        module.Set(B("G"), B("k"), T("v"));
        module.EndUsingTempModule(c.inner);
        EXPECT_TRUE(module.Has(B("G"), B("k"))) << "inner end must not act";
        module.EndUsingTempModule(c.outer);
        EXPECT_EQ(module.Has(B("G"), B("k")), c.kept) << c.inner << c.outer;
        EXPECT_EQ(module.IsDirty(), c.kept);
    }
}

TEST_F(PrefModule, UnbalancedEndChangesNothing) {
    m.Set(B("G"), B("k"), T("v"));
    m.EndUsingTempModule(false);
    EXPECT_TRUE(m.Has(B("G"), B("k")));
    EXPECT_FALSE(m.IsInTransaction());
}

TEST_F(PrefModule, JournalReplaysOwnChangesInOrderOntoFreshGroups) {
    m.Set(B("A"), B("k"), T("1"));
    m.Set(B("A"), B("k"), T("2"));
    m.Remove(B("B"), B("gone"));
    m.RemoveGroup(B("C"));
    m.Set(B("C"), B("again"), T("3"));
    GPrefModule::Groups others;
    GPrefModule::Group b;
    b.Put(B("gone"), T("x"));
    b.Put(B("theirs"), T("y"));
    others.Put(B("B"), b);
    GPrefModule::Group c;
    c.Put(B("old"), T("z"));
    others.Put(B("C"), c);
    others.Put(B("D"), c);
    m.Replay(others);
    auto value = [&](char const* g, char const* k) -> std::string {
        int slot = 0, keySlot = 0;
        if (!others.GetExistingIndex(B(g), slot) || !others.GetValueAt(slot).GetExistingIndex(B(k), keySlot))
            return "<none>";
        return U8(others.GetValueAt(slot).GetValueAt(keySlot));
    };
    EXPECT_EQ(value("A", "k"), "2");
    EXPECT_EQ(value("B", "gone"), "<none>");
    EXPECT_EQ(value("B", "theirs"), "y");
    EXPECT_EQ(value("C", "old"), "<none>");
    EXPECT_EQ(value("C", "again"), "3");
    EXPECT_EQ(value("D", "old"), "z");
    m.FlushPrefs();
    EXPECT_FALSE(m.Journaled());
    m.Set(B("A"), B("k"), T("1"));
    m.Refresh();
    EXPECT_FALSE(m.Journaled());
}

TEST_F(PrefModule, WriterSkipsEmptyGroupsAndEscapes) {
    m.Set(B("A"), B("k"), T("tab\there \"q\" back\\slash it's\r\nline"));
    m.Set(B("B"), B("x"), T("y"));
    m.Remove(B("B"), B("x"));
    EXPECT_EQ(Text(m),
              "#BEGINPREFS\r\r\"A\"\r#BEGINDICT\r\"k\" \"tab\\there \\\"q\\\" back\\\\slash it's\\nline\"\r#ENDDICT\r"
              "\r#ENDPREFS\r");
    CountingModule empty;
    EXPECT_EQ(Text(empty), "#BEGINPREFS\r\r#ENDPREFS\r");
}

TEST_F(PrefModule, WriterReportsTextsTheEncodingCannotHold) {
    GBuffer bytes;
    GMemoryOutStream out(bytes);
    m.Set(B("G"), B("k"), T("plain"));
    EXPECT_TRUE(m.GetPrefsDataToStream(out, MacRoman()));
    m.Set(B("G"), B("k"), T("\xE6\x97\xA5"));  // not in Mac Roman
    EXPECT_FALSE(m.GetPrefsDataToStream(out, MacRoman()));
}
