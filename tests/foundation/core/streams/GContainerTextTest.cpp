#include "core/streams/GContainerText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/containers/GDict.h"
#include "core/containers/GTable.h"
#include "core/streams/GMemoryOutStream.h"
#include "core/streams/GText2BinStream.h"
#include "support/Fixtures.h"
#include "support/TestStreams.h"
#include "support/TextStreamTestSetup.h"

namespace {

class GContainerTextTest : public ::testing::Test {
protected:
    GString Text(std::u16string const& units) const { return GString(UTF16Buffer(units), mEncodings.Unicode()); }

    // The string form as the bytes of its UTF-16 text, taken as ASCII (every character here is).
    static std::string Narrow(GString const& text) {
        std::string narrow;
        for (char16_t u : U(text))
            narrow += static_cast<char>(u);
        return narrow;
    }

    GString FromNarrow(std::string const& narrow) const {
        std::u16string units(narrow.begin(), narrow.end());
        return Text(units);
    }

    TextEncodings mEncodings;
};


std::vector<std::u16string> Items(GTable<GString> const& table) {
    std::vector<std::u16string> items;
    for (GString const& item : table)
        items.push_back(U(item));
    return items;
}

std::map<std::u16string, std::u16string> Entries(GDict<GString, GString> const& dict) {
    std::map<std::u16string, std::u16string> entries;
    for (int slot = 0; slot < dict.GetAllocation(); ++slot) {
        if (dict.IsSlotUsed(slot))
            entries[U(dict.GetKeyAt(slot))] = U(dict.GetValueAt(slot));
    }
    return entries;
}

std::map<std::u16string, std::u16string> Entries(GDict<GBuffer, GString> const& dict) {
    std::map<std::u16string, std::u16string> entries;
    for (int slot = 0; slot < dict.GetAllocation(); ++slot) {
        if (dict.IsSlotUsed(slot)) {
            std::string key = BytesOf(dict.GetKeyAt(slot));
            entries[std::u16string(key.begin(), key.end())] = U(dict.GetValueAt(slot));
        }
    }
    return entries;
}

TEST_F(GContainerTextTest, TheTableBlock) {
    GTable<GString> table;
    table.AddItem(GString("a"));
    table.AddItem(Text(u"say \"x\"\r\n"));
    GString text;
    table.ToString(text);
    EXPECT_EQ(text.GetEncoding().Get(), mEncodings.Unicode());
    EXPECT_EQ(Narrow(text), "#BEGINTABLE\r\"a\"\r\"say \\\"x\\\"\\n\"\r#ENDTABLE\r");

    GTable<GString> empty;
    empty.ToString(text);
    EXPECT_EQ(Narrow(text), "#BEGINTABLE\r#ENDTABLE\r");
}

TEST_F(GContainerTextTest, TheDictionaryBlock) {
    GDict<GBuffer, GString> dict;
    dict.Put(GBuffer("Last"), Text(u"C:\\set\t1"));
    GString text;
    dict.ToString(text);
    EXPECT_EQ(Narrow(text), "#BEGINDICT\r\"Last\" \"C:\\\\set\\t1\"\r#ENDDICT\r");

    GDict<GString, GString> empty;
    empty.ToString(text);
    EXPECT_EQ(Narrow(text), "#BEGINDICT\r#ENDDICT\r");
}

TEST_F(GContainerTextTest, TablesRoundTrip) {
    const std::vector<std::vector<std::u16string>> tables = {
        {},
        {u""},
        {u"one", u"two", u"one"},
        {u"quote\"", u"back\\slash", u"tab\t", u"single'", u"#ENDTABLE", u"\u00E9\u65E5\U0001F600"},
        {u"cr\rlf\ncrlf\r\n"},
    };
    for (auto const& items : tables) {
        GTable<GString> table;
        for (auto const& item : items)
            table.AddItem(Text(item));
        GString text;
        table.ToString(text);
        GTable<GString> back;
        back.AddItem(GString("stale"));
        EXPECT_TRUE(back.FromString(text)) << Narrow(text);
        std::vector<std::u16string> expected = items;
        for (auto& item : expected) {
            if (item == u"cr\rlf\ncrlf\r\n")
                item = u"cr\rlf\rcrlf\r";
        }
        EXPECT_EQ(Items(back), expected) << Narrow(text);
    }
}

// The string form is not composed again: "\t" before a combining caron would become "\" and
// U+0165, and the tab be lost.
TEST_F(GContainerTextTest, EscapesBeforeCombiningMarksRoundTrip) {
    GTable<GString> table;
    table.AddItem(Text(u"tab\t\u030C"));
    table.AddItem(Text(u"line\n\u0301"));
    GString text;
    table.ToString(text);
    GTable<GString> back;
    EXPECT_TRUE(back.FromString(text));
    EXPECT_EQ(Items(back), (std::vector<std::u16string>{u"tab\t\u030C", u"line\r\u0301"}));
}

TEST_F(GContainerTextTest, DictionariesRoundTrip) {
    GDict<GBuffer, GString> bytes;
    GDict<GString, GString> texts;
    for (int i = 0; i < 40; ++i) {
        GString value = Text(u"v\"\\\t\r\n" + std::u16string(i, u'x'));
        bytes.Put(GBuffer(i), value);
        texts.Put(Text(u"k\u00E9\"" + std::u16string(i, u'y')), value);
    }
    // CR LF comes back as CR.
    auto readBack = [](std::map<std::u16string, std::u16string> entries) {
        for (auto& entry : entries) {
            std::u16string& value = entry.second;
            value.erase(value.find(u"\r\n") + 1, 1);
        }
        return entries;
    };
    GString text;
    bytes.ToString(text);
    GDict<GBuffer, GString> bytesBack;
    EXPECT_TRUE(bytesBack.FromString(text));
    EXPECT_EQ(Entries(bytesBack), readBack(Entries(bytes)));

    texts.ToString(text);
    GDict<GString, GString> textsBack;
    EXPECT_TRUE(textsBack.FromString(text));
    EXPECT_EQ(Entries(textsBack), readBack(Entries(texts)));

    GDict<GString, GString> empty;
    empty.ToString(text);
    textsBack.Put(GString("stale"), GString("x"));
    EXPECT_TRUE(textsBack.FromString(text));
    EXPECT_EQ(textsBack.GetCount(), 0);
}

TEST_F(GContainerTextTest, ThroughStreamsInEveryEncoding) {
    GDict<GString, GString> dict;
    dict.Put(GString("a"), Text(u"\u00E9"));
    dict.Put(GString("b"), Text(u"x\\y"));
    GTable<GString> table;
    table.AddItem(Text(u"\u00E9\"\u00E8"));
    for (GEncoding const* encoding : {mEncodings.Unicode(), mEncodings.UTF8(), mEncodings.MacRoman()}) {
        GBuffer bytes;
        {
            GMemoryOutStream sink(bytes);
            GText2BinStream writer(sink, encoding);
            EXPECT_TRUE(dict.WriteTo(writer));
            EXPECT_TRUE(table.WriteTo(writer));
        }
        std::unique_ptr<GBin2TextStream> reader(NewReader(BytesOf(bytes), encoding));
        GDict<GString, GString> dictBack;
        GTable<GString> tableBack;
        EXPECT_TRUE(dictBack.ReadFrom(*reader));
        EXPECT_TRUE(tableBack.ReadFrom(*reader));
        EXPECT_EQ(Entries(dictBack), Entries(dict));
        EXPECT_EQ(Items(tableBack), Items(table));
    }
}

TEST_F(GContainerTextTest, ShiftJISEntriesAfterTrailBytes0x5C) {
    std::unique_ptr<GBin2TextStream> reader(NewReader(ReadFixture("ShiftJISEntries.txt"), mEncodings.ShiftJIS()));
    GDict<GString, GString> dict;
    EXPECT_TRUE(dict.ReadFrom(*reader));
    const std::map<std::u16string, std::u16string> expected = {
        {u"ソ", u"表"}, {u"能", u"ソ\"x"}, {u"表示", u"能\r表"}, {u"after", u"more"}};
    EXPECT_EQ(Entries(dict), expected);
}

// A file whose writer left the yen sign (0x5C) as it is, right before its escapes (0x80 in Mac
// Japanese): every entry keeps its place, and the whole reads back the same once written here.
TEST_F(GContainerTextTest, MacJapaneseYenSignsBeforeEscapes) {
    std::unique_ptr<GBin2TextStream> reader(NewReader(ReadFixture("MacJapaneseYenEntries.txt"), mEncodings.ShiftJIS()));
    GDict<GString, GString> dict;
    GTable<GString> table;
    EXPECT_TRUE(dict.ReadFrom(*reader));
    EXPECT_TRUE(table.ReadFrom(*reader));
    const std::map<std::u16string, std::u16string> entries = {
        {u"yen quote", u"\u00A5\"q\u00A5\""},
        {u"yen backslash", u"a\u00A5\\b"},
        {u"yen line end", u"\u00A5\r\u00A5\t."},
        {u"doubled", u"\u00A5\u00A5"},
        {u"the other backslash first", u"\u00A51"},
        {u"\u00A5\"key", u"v"},
        {u"user-defined", u"\uE01C"},
        {u"after", u"more"},
    };
    const std::vector<std::u16string> items = {u"\u00A5\"", u"\u00A5\\", u"last"};
    EXPECT_EQ(Entries(dict), entries);
    EXPECT_EQ(Items(table), items);

    GBuffer bytes;
    {
        GMemoryOutStream sink(bytes);
        GText2BinStream writer(sink, mEncodings.ShiftJIS());
        EXPECT_TRUE(dict.WriteTo(writer));
        EXPECT_TRUE(table.WriteTo(writer));
    }
    reader.reset(NewReader(BytesOf(bytes), mEncodings.ShiftJIS()));
    GDict<GString, GString> dictBack;
    GTable<GString> tableBack;
    EXPECT_TRUE(dictBack.ReadFrom(*reader));
    EXPECT_TRUE(tableBack.ReadFrom(*reader));
    EXPECT_EQ(Entries(dictBack), entries);
    EXPECT_EQ(Items(tableBack), items);
}

TEST_F(GContainerTextTest, ReadingDictionaryBlocks) {
    struct Case {
        char const* what;
        std::string text;
        bool result;
        std::map<std::u16string, std::u16string> entries;
    };
    const Case cases[] = {
        {"blanks and tabs around entries", "#BEGINDICT \r\r \t\"k\"\t \"v\" trailing words\r#ENDDICT", true, {{u"k", u"v"}}},
        {"LF and CR LF line ends", "#BEGINDICT\n\"a\" \"1\"\r\n\"b\" \"2\"\n#ENDDICT\n", true, {{u"a", u"1"}, {u"b", u"2"}}},
        {"a later key wins", "#BEGINDICT\r\"k\" \"1\"\r\"k\" \"2\"\r#ENDDICT\r", true, {{u"k", u"2"}}},
        {"ended by another keyword", "#BEGINDICT\r\"k\" \"v\"\r#ENDPREFS\r", true, {{u"k", u"v"}}},
        {"an empty line ends the entries", "#BEGINDICT\r\"a\" \"1\"\r\r\"b\" \"2\"\r#ENDDICT\r", false, {{u"a", u"1"}}},
        {"LF CR line ends", "#BEGINDICT\n\r\"a\" \"1\"\n\r\"b\" \"2\"\n\r#ENDDICT\n\r", false, {{u"a", u"1"}}},
        {"a key without value", "#BEGINDICT\r\"a\"\r#ENDDICT\r", false, {}},
        {"an unclosed value", "#BEGINDICT\r\"a\" \"1\r#ENDDICT\r", false, {}},
        {"no end", "#BEGINDICT\r\"a\" \"1\"\r", false, {{u"a", u"1"}}},
        {"another word first", "#BEGINTABLE\r#ENDDICT\r", false, {}},
        {"nothing", "", false, {}},
    };
    for (Case const& c : cases) {
        GDict<GString, GString> dict;
        dict.Put(GString("stale"), GString("x"));
        EXPECT_EQ(dict.FromString(FromNarrow(c.text)), c.result) << c.what;
        EXPECT_EQ(Entries(dict), c.entries) << c.what;
    }
}

TEST_F(GContainerTextTest, ReadingTableBlocks) {
    struct Case {
        char const* what;
        std::string text;
        bool result;
        std::vector<std::u16string> items;
    };
    const Case cases[] = {
        {"items and blanks", "#BEGINTABLE\r\r \"a\" rest\r\t\"b\"\r#ENDTABLE rest\r", true, {u"a", u"b"}},
        {"an empty line ends the items", "#BEGINTABLE\r\"a\"\r\r\"b\"\r#ENDTABLE\r", false, {u"a"}},
        {"an unclosed item", "#BEGINTABLE\r\"a\"\r\"b\r#ENDTABLE\r", false, {u"a"}},
        {"another word first", "#BEGINDICT\r\"a\"\r#ENDTABLE\r", false, {}},
        {"nothing", "", false, {}},
    };
    for (Case const& c : cases) {
        GTable<GString> table;
        table.AddItem(GString("stale"));
        EXPECT_EQ(table.FromString(FromNarrow(c.text)), c.result) << c.what;
        EXPECT_EQ(Items(table), c.items) << c.what;
    }
    // The rest of the closing line is consumed; what follows is not.
    std::unique_ptr<GBin2TextStream> reader(NewReader("#BEGINTABLE\r#ENDTABLE x\rnext", mEncodings.MacRoman()));
    GTable<GString> table;
    EXPECT_TRUE(table.ReadFrom(*reader));
    EXPECT_EQ(Rest(*reader), "next");
}

// Strings in UTF-16 are read in place unless they start with a mark of the other byte order,
// which the stream reader takes to swap the text; every form reads as that reader reads it.
// (Not composed: swapped, the line ends and the tab are combining marks.)
TEST_F(GContainerTextTest, UTF16StringsWithAndWithoutMarks) {
    auto raw = [this](std::u16string const& units) { return GString(UTF16Buffer(units), mEncodings.Unicode(), false); };
    const std::u16string block = u"#BEGINDICT\r\"k\" \"v\\t\"\r#ENDDICT\r";
    std::u16string swapped;
    for (char16_t u : u"\uFEFF" + block)
        swapped += static_cast<char16_t>((u << 8 | u >> 8) & 0xFFFF);
    const std::map<std::u16string, std::u16string> entries = {{u"k", u"v\t"}};
    for (std::u16string const& units : {block, u"\uFEFF" + block, swapped}) {
        SCOPED_TRACE(units.size());
        GDict<GString, GString> dict;
        EXPECT_TRUE(dict.FromString(raw(units)));
        EXPECT_EQ(Entries(dict), entries);
        GTable<GString> table;
        EXPECT_FALSE(table.FromString(raw(units)));
    }
    // A mark alone, or a second one, is text.
    GDict<GString, GString> dict;
    EXPECT_FALSE(dict.FromString(raw(u"\uFEFF")));
    EXPECT_FALSE(dict.FromString(raw(u"\uFEFF\uFEFF" + block)));
}

TEST_F(GContainerTextTest, ByteKeysAreASCII) {
    GDict<GBuffer, GString> dict;
    dict.Put(ByteBuffer("caf\xE9"), GString("v"));
    CollectingOutStream sink;
    GText2BinStream writer(sink, mEncodings.UTF8());
    EXPECT_FALSE(dict.WriteTo(writer));

    // Read keys become their ASCII bytes.
    GDict<GBuffer, GString> back;
    EXPECT_TRUE(back.FromString(FromNarrow("#BEGINDICT\r\"k\" \"v\"\r#ENDDICT\r")));
    int slot = -1;
    EXPECT_TRUE(back.GetExistingIndex(GBuffer("k"), slot));
}

TEST_F(GContainerTextTest, FailuresAreReported) {
    // A refused write.
    GTable<GString> table;
    table.AddItem(GString("item"));
    CollectingOutStream full(5);
    GText2BinStream writer(full, mEncodings.UTF8());
    EXPECT_FALSE(table.WriteTo(writer));

    // A value the encoding cannot hold.
    GDict<GString, GString> dict;
    dict.Put(GString("k"), Text(u"\u65E5"));
    CollectingOutStream sink;
    GText2BinStream macRoman(sink, mEncodings.MacRoman());
    EXPECT_FALSE(dict.WriteTo(macRoman));

    // A text whose bytes are not valid in its own encoding.
    GTable<GString> back;
    GString invalid(ByteBuffer("#BEGINTABLE\r\"\xFF\"\r#ENDTABLE\r"), mEncodings.UTF8());
    EXPECT_FALSE(back.FromString(invalid));
    EXPECT_EQ(back.GetCount(), 1);
}

}  // namespace
