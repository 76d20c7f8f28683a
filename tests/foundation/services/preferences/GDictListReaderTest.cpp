#include <gtest/gtest.h>

#include <string>

#include "core/streams/GMemoryInStream.h"
#include "services/preferences/GDictBufferReader.h"
#include "services/preferences/GDictListReader.h"
#include "services/preferences/GPrefFileModule.h"
#include "support/FileFixtures.h"
#include "support/FoundationStartup.h"
#include "support/PrefTestText.h"
#include "support/ScopedTempFolder.h"

using namespace preftest;

namespace {

struct Outcome {
    bool result;
    bool complete;
    int groups;
};

Outcome Read(std::string const& text) {
    GDict<GBuffer, GDict<GBuffer, GString>> target;
    target.Put(B("stale"), GDict<GBuffer, GString>());
    GDictBufferReader<GBuffer, GString> reader(target);
    GBuffer bytes = B(text);
    GMemoryInStream in(bytes);
    const bool result = reader.ReadDict(in, UTF8());
    return {result, reader.WasComplete(), target.GetCount()};
}

class DictListReader : public ::testing::Test {
protected:
    void SetUp() override { StartFoundation(); }
};

}  // namespace

// The reader's own result follows the format's rules; completeness says whether a rewrite
// would lose anything.
TEST_F(DictListReader, ResultAndCompleteness) {
    std::string const g = "\"G\"\r#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r";
    struct Case {
        char const* name;
        std::string text;
        Outcome expected;
    } const cases[] = {
        {"whole", "#BEGINPREFS\r" + g + "#ENDPREFS\r", {true, true, 1}},
        {"blank lines and tabs after the end", "#BEGINPREFS\r" + g + "#ENDPREFS\r\r\t \r", {true, true, 1}},
        {"empty list", "#BEGINPREFS #ENDPREFS", {true, true, 0}},
        {"text after the end", "#BEGINPREFS\r" + g + "#ENDPREFS\rmore", {true, false, 1}},
        {"no end phrase", "#BEGINPREFS\r" + g, {true, false, 1}},
        {"word instead of a name", "#BEGINPREFS\r" + g + "junk\r", {false, false, 1}},
        {"malformed block", "#BEGINPREFS\r" + g + "\"H\"\r#BEGINDICT\r\"k\"\r#ENDDICT\r#ENDPREFS\r", {true, false, 1}},
        {"other begin phrase", "#BEGINDICT\r", {false, false, 0}},
        {"empty", "", {false, false, 0}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome const got = Read(c.text);
        EXPECT_EQ(got.result, c.expected.result);
        EXPECT_EQ(got.complete, c.expected.complete);
        EXPECT_EQ(got.groups, c.expected.groups);
    }
}

TEST_F(DictListReader, TextKeysAndOwnPhrases) {
    GDict<GString, GDict<GString, GString>> target;
    GDictListReader<GString, GString, GString> reader(target, T("#BEGINCACHE"), T("#ENDCACHE"));
    GBuffer bytes = B("#BEGINCACHE\n\"caf\xC3\xA9\"\n#BEGINDICT\n\"cl\xC3\xA9\" \"v\"\n#ENDDICT\n#ENDCACHE\n");
    GMemoryInStream in(bytes);
    EXPECT_TRUE(reader.ReadDict(in, UTF8()));
    EXPECT_TRUE(reader.WasComplete());
    int slot = 0;
    ASSERT_TRUE(target.GetExistingIndex(T("caf\xC3\xA9"), slot));
    int keySlot = 0;
    EXPECT_TRUE(target.GetValueAt(slot).GetExistingIndex(T("cl\xC3\xA9"), keySlot));
}

TEST_F(DictListReader, MissingFileEmptiesTheTargetAndSucceeds) {
    ScopedTempFolder folder;
    GDict<GBuffer, GDict<GBuffer, GString>> target;
    target.Put(B("stale"), GDict<GBuffer, GString>());
    GDictBufferReader<GBuffer, GString> reader(target);
    EXPECT_TRUE(reader.ReadDict(P(folder / "none.uprefs"), Unicode()));
    EXPECT_TRUE(reader.WasComplete());
    EXPECT_EQ(target.GetCount(), 0);
}

// A NUL inside a value is read, kept and written back. UTF-16 holds it as a character; the
// UTF-8 decoder takes it for invalid text, so that file is also kept aside before the rewrite.
TEST_F(DictListReader, NulInsideAValueSurvivesARewrite) {
    static char const text[] = "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"a\0b\"\r#ENDDICT\r#ENDPREFS\r";
    std::string const utf8(text, sizeof text - 1);
    struct Case {
        char const* name;
        GEncoding const* encoding;
        std::string bytes;
        bool backup;
    } const cases[] = {
        {"UTF-16", Unicode(), UTF16(utf8, true), false},
        {"UTF-8", UTF8(), utf8, true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedTempFolder folder;
        std::string const path = folder / "nul.uprefs";
        WriteFile(path, c.bytes);
        {
            GPrefFileModule m(P(path), c.encoding);
            EXPECT_EQ(m.IsBackupPending(), c.backup);
            EXPECT_EQ(U8(m.Get(B("G"), B("k"))), std::string("a\0b", 3));
            m.Set(B("H"), B("x"), T("y"));
            m.FlushPrefs();
        }
        EXPECT_EQ(Exists(path + ".bak"), c.backup);
        GPrefFileModule back(P(path), c.encoding);
        EXPECT_EQ(U8(back.Get(B("G"), B("k"))), std::string("a\0b", 3));
    }
}
