#include <gtest/gtest.h>

#include <string>

#include "services/preferences/GPrefMemoryModule.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"

using namespace preftest;

class PrefMemoryModule : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
};

TEST_F(PrefMemoryModule, SaveKeepsACopyRefreshGoesBackToIt) {
    GPrefMemoryModule m;
    m.Set(B("G"), B("k"), T("saved"));
    m.FlushPrefs();
    EXPECT_FALSE(m.IsDirty());
    m.Set(B("G"), B("k"), T("unsaved"));
    m.Set(B("H"), B("x"), T("y"));
    m.Refresh();
    EXPECT_EQ(U8(m.Get(B("G"), B("k"))), "saved");
    EXPECT_FALSE(m.Has(B("H"), B("x")));
}

TEST_F(PrefMemoryModule, TextRoundTripThroughGetPrefsData) {
    GPrefMemoryModule m;
    m.Set(B("G"), B("k"), T("tab\t\"q\" \\ \xF0\x9F\x98\x80"));
    m.Set(B("Other"), B("n"), T("1"));
    GString text;
    m.GetPrefsData(text);
    EXPECT_EQ(U8(text).substr(0, 12), "#BEGINPREFS\r");  // no byte-order mark in a string
    GPrefMemoryModule back(text);
    EXPECT_TRUE(back.WasTextComplete());
    EXPECT_EQ(U8(back.Get(B("G"), B("k"))), "tab\t\"q\" \\ \xF0\x9F\x98\x80");
    EXPECT_EQ(U8(back.Get(B("Other"), B("n"))), "1");
    EXPECT_FALSE(back.IsDirty());
}

TEST_F(PrefMemoryModule, TextInAnyEncodingAndMalformedText) {
    struct Case {
        char const* name;
        GString text;
        bool complete;
        bool hasG;
    } const cases[] = {
        {"UTF-8 text", T("#BEGINPREFS\n\"G\"\n#BEGINDICT\n\"k\" \"v\"\n#ENDDICT\n#ENDPREFS\n"), true, true},
        {"Mac Roman text", GString("#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r#ENDPREFS\r", MacRoman()), true, true},
        {"missing end", T("#BEGINPREFS\n\"G\"\n#BEGINDICT\n\"k\" \"v\"\n#ENDDICT\n"), false, true},
        {"not preferences", T("hello"), false, false},
        {"empty", GString(), false, false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        GPrefMemoryModule m(c.text);
        EXPECT_EQ(m.WasTextComplete(), c.complete);
        EXPECT_EQ(m.Has(B("G"), B("k")), c.hasG);
    }
}
