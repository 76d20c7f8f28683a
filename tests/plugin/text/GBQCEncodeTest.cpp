// Byte tests, the Mac Roman guess, the detection chain, conversions, name clean-ups and encoded
// words, with the faults of unfinished sequences, characters outside the BMP, marks inside words
// and merged adjacent words.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>

#include "plugin/text/GBQCEncode.h"

namespace {

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<int>(s.size()));
}

QString U(const char16_t* s) {
    return QString::fromUtf16(s);
}

std::string Printable(const QByteArray& b) {
    std::string out;
    for (char c : b) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out;
}

TEST(GBQCEncodeTest, ByteOrderMarksNeedAllTheirBytes) {
    struct Case {
        std::string bytes;
        bool utf16;
        bool utf8;
    };
    const Case cases[] = {
        {"", false, false},
        {"\xFF", false, false},
        {"\xFE", false, false},
        {"\xFF\xFE", true, false},
        {"\xFE\xFF", true, false},
        {"\xFE\xFF" "abc", true, false},
        {"\xFF\xFF", false, false},
        {"\xEF", false, false},
        {"\xEF\xBB", false, false},
        {"\xEF\xBB\xBF", false, true},
        {"\xEF\xBB\xBF" "x", false, true},
        {"\xEF\xBF\xBB", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GBQCEncode::hasUtf16Bom(Bytes(c.bytes)), c.utf16) << Printable(Bytes(c.bytes));
        EXPECT_EQ(GBQCEncode::hasUtf8Bom(Bytes(c.bytes)), c.utf8) << Printable(Bytes(c.bytes));
    }
}

TEST(GBQCEncodeTest, TheMacRomanScoreCountsFromTwo) {
    struct Case {
        std::string bytes;
        bool macRoman;  // score >= 2
    };
    const Case cases[] = {
        {"", false},
        {"plain ASCII only", false},
        {"\x8E", false},             // 4 - 3 = 1
        {"\x8E\x8E", true},          // 2
        {"a\x8E" "b\x8E" "c", true}, // ASCII does not count
        {"\xE9", false},             // 3 - 4 = -1
        {"\xE9\x8E\x8E", false},     // -1 + 2 = 1
        {"\xE9\x8E\x8E\x8E", true},  // 2
        {"\xA7", true},              // 4 - 1 = 3
        {"\xCA", false},             // 0 - 3
        {"\x80", false},             // 3 - 2 = 1
        {"\x8D", true},              // 4 - 0 = 4
        {"\xFF\xFF", false},         // 1 - 4
    };
    for (const Case& c : cases)
        EXPECT_EQ(GBQCEncode::seemsMacRoman(Bytes(c.bytes)), c.macRoman) << Printable(Bytes(c.bytes));
}

TEST(GBQCEncodeTest, Utf8ValidityRefusesUnfinishedAndMalformedSequences) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"abc", true},
        {"caf\xC3\xA9", true},
        {"\xF0\x9F\x98\x80", true},  // outside the BMP
        {"caf\xE9", false},          // unfinished at the end
        {"\xC3", false},
        {"\xE2\x82", false},
        {"\xF0\x9F\x98", false},
        {"\xE9 x", false},
        {"\x80", false},
        {"\xC0\xAF", false},         // overlong
        {"\xFF", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GBQCEncode::isValidUtf8(Bytes(c.bytes)), c.valid) << Printable(Bytes(c.bytes));
    EXPECT_FALSE(GBQCEncode::isValidEncoding("no-such-codec", "abc"));
    EXPECT_TRUE(GBQCEncode::isValidEncoding("Shift-JIS", Bytes("\x93\xFA\x96\x7B")));
    EXPECT_FALSE(GBQCEncode::isValidEncoding("Shift-JIS", Bytes("\x93\xFA\x96")));
}

using Decoder = QString (*)(const QByteArray&);
using PointerDecoder = QString (*)(const char*, int);

TEST(GBQCEncodeTest, TheDetectionChainTriesMarksUtf8MacRomanThenLatin1) {
    struct Case {
        std::string bytes;
        QString text;
    };
    const Case cases[] = {
        {"", QString()},
        {"plain", "plain"},
        {"\x8E\x8E", U(u"\u00E9\u00E9")},             // Mac Roman
        {"\xE9\x20", U(u"\u00E9 ")},                  // Latin-1
        {"caf\xC3\xA9", U(u"caf\u00E9")},             // UTF-8
        {"caf\xE9", U(u"caf\u00E9")},                 // unfinished UTF-8: Latin-1, nothing dropped
        {"\xEF\xBB\xBF" "hi", "hi"},                  // UTF-8 mark
        {std::string("\xFF\xFEh\0i\0", 6), "hi"},     // UTF-16 little-endian mark
        {std::string("\xFE\xFF\0h\0i", 6), "hi"},     // UTF-16 big-endian mark
        {"\xF0\x9F\x98\x80", U(u"\U0001F600")},
    };
    const Decoder decoders[] = {GBQCEncode::fromLocalText, GBQCEncode::fromUnknownFilepath,
                                GBQCEncode::fromUnknownText};
    const PointerDecoder pointerDecoders[] = {GBQCEncode::fromLocalText, GBQCEncode::fromUnknownFilepath,
                                              GBQCEncode::fromUnknownText};
    for (const Case& c : cases) {
        for (Decoder d : decoders)
            EXPECT_EQ(d(Bytes(c.bytes)), c.text) << Printable(Bytes(c.bytes));
        for (PointerDecoder d : pointerDecoders)
            EXPECT_EQ(d(c.bytes.data(), static_cast<int>(c.bytes.size())), c.text) << Printable(Bytes(c.bytes));
    }
    // A negative length reads up to the NUL.
    EXPECT_EQ(GBQCEncode::fromUnknownText("ab\0cd", -1), "ab");
    EXPECT_EQ(GBQCEncode::fromUnknownText(nullptr, -1), "");
}

TEST(GBQCEncodeTest, AnUnfinishedSequenceAtTheEndIsNotDropped) {
    // Decoders that know the encoding show the unfinished tail as U+FFFD.
    EXPECT_EQ(GBQCEncode::fromLocalFilepath(Bytes("caf\xE9")), U(u"caf\uFFFD"));
    EXPECT_EQ(GBQCEncode::fromEncoding("UTF-8", "caf\xE9", -1), U(u"caf\uFFFD"));
    EXPECT_EQ(GBQCEncode::fromShiftJis(Bytes("\x93\xFA\x96")), U(u"\u65E5\uFFFD"));
    EXPECT_EQ(GBQCEncode::fromLocalFilepath(Bytes(std::string("\xFF\xFEh\0i", 5))), U(u"h\uFFFD"));
    EXPECT_EQ(GBQCEncode::fromLocalFilepath(Bytes("caf\xC3\xA9")), U(u"caf\u00E9"));
}

TEST(GBQCEncodeTest, ConversionsRoundTripThroughTheirCodecs) {
    struct Case {
        const char* codec;
        QString text;
        std::string bytes;
    };
    const Case cases[] = {
        {"Apple Roman", U(u"\u00C4\u00E9\u2020"), "\x80\x8E\xA0"},
        {"Shift-JIS", U(u"\u65E5\u672C"), "\x93\xFA\x96\x7B"},
        {"ISO-8859-1", U(u"caf\u00E9"), "caf\xE9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GBQCEncode::toEncoding(c.codec, c.text), Bytes(c.bytes)) << c.codec;
        EXPECT_EQ(GBQCEncode::fromEncoding(c.codec, c.bytes.data(), static_cast<int>(c.bytes.size())), c.text);
        EXPECT_EQ(GBQCEncode::fromEncoding(c.codec, c.bytes.c_str(), -1), c.text);
    }
    EXPECT_EQ(GBQCEncode::fromMacRoman(Bytes("\x80\x8E")), U(u"\u00C4\u00E9"));
    EXPECT_EQ(GBQCEncode::fromMacRoman("\x80\x8E", -1), U(u"\u00C4\u00E9"));
    EXPECT_EQ(GBQCEncode::toMacRoman(U(u"\u00C4")), Bytes("\x80"));
    EXPECT_EQ(GBQCEncode::fromShiftJis("\x93\xFA", -1), U(u"\u65E5"));
    EXPECT_EQ(GBQCEncode::toShiftJis(U(u"\u65E5")), Bytes("\x93\xFA"));
    EXPECT_EQ(GBQCEncode::fromLatin1("caf\xE9\0x", -1), U(u"caf\u00E9"));
    EXPECT_EQ(GBQCEncode::toLatin1(U(u"caf\u00E9")), Bytes("caf\xE9"));
    EXPECT_EQ(GBQCEncode::fromUtf8("ab\0c", -1), "ab");
    EXPECT_EQ(GBQCEncode::fromUtf8("ab\0c", 4), QString::fromUtf8("ab\0c", 4));
    EXPECT_EQ(GBQCEncode::toUtf8(U(u"\u00E9"), false), Bytes("\xC3\xA9"));
    EXPECT_EQ(GBQCEncode::toUnknownText(U(u"\u00E9")), Bytes("\xC3\xA9"));
    const ushort units[] = {'h', 'i', 0, 'x'};
    EXPECT_EQ(GBQCEncode::fromUtf16(units, -1), "hi");
    EXPECT_EQ(GBQCEncode::fromUtf16(units, 1), "h");
    EXPECT_EQ(GBQCEncode::fromUtf16(GBQCEncode::toUtf16("hi").size() == 6 ? units : nullptr, 2), "hi");
    EXPECT_EQ(GBQCEncode::fromLocalFilepath(GBQCEncode::toUtf16(U(u"x\U0001F600"))), U(u"x\U0001F600"));

    // A codec that does not exist gives null results.
    EXPECT_TRUE(GBQCEncode::fromEncoding("no-such-codec", "abc", -1).isNull());
    EXPECT_TRUE(GBQCEncode::toEncoding("no-such-codec", "abc").isNull());
}

TEST(GBQCEncodeTest, LocalCleanUpsKeepTheFormANameIsWrittenIn) {
    const QString composed = U(u"R\u00E9glages.joboptions");
    const QString decomposed = U(u"Re\u0301glages.joboptions");
    EXPECT_EQ(GBQCEncode::normalizeFilepathForLocal(composed), composed);
    EXPECT_EQ(GBQCEncode::normalizeFilepathForLocal(decomposed), decomposed);
    EXPECT_EQ(GBQCEncode::normalizeFilenameForLocal(composed), composed);
    EXPECT_EQ(GBQCEncode::normalizeFilepathForLocalToUtf8(composed), composed.toUtf8());
    EXPECT_EQ(GBQCEncode::normalizeFilepathForAny(composed), decomposed);
    EXPECT_EQ(GBQCEncode::normalizeFilenameForAny(composed), decomposed);
}

TEST(GBQCEncodeTest, CleanUpsReplaceWhatANameMayNotHold) {
    struct Case {
        QString input;
        QString forLocalPath;
        QString forLocalName;
        QString forAnyPath;
        QString forAnyName;
    };
    const Case cases[] = {
        {"", "", "", "", ""},
        {"a/b:c", "a/b:c", "a_b_c", "a/b:c", "a_b_c"},
        {U(u"a\u0001b\u007Fc\u001F"), "a_b_c_", "a_b_c_", "a_b_c_", "a_b_c_"},
        {U(u"x\uFFFDy\uFFFCz"), "x_y_z", "x_y_z", "x_y_z", "x_y_z"},
        {"a*b\"c<d>e|f?g", "a*b\"c<d>e|f?g", "a*b\"c<d>e|f?g", "a_b_c_d_e_f_g", "a_b_c_d_e_f_g"},
        {"\\\\?\\C:\\x?y", "\\\\?\\C:\\x?y", "\\\\?\\C_\\x?y", "\\\\?\\C:\\x_y", "__?_C__x_y"},
        {"?\\\\?\\", "?\\\\?\\", "?\\\\?\\", "_\\\\_\\", "_____"},
        {"a\\b", "a\\b", "a\\b", "a\\b", "a_b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GBQCEncode::normalizeFilepathForLocal(c.input), c.forLocalPath) << c.input.toStdString();
        EXPECT_EQ(GBQCEncode::normalizeFilenameForLocal(c.input), c.forLocalName) << c.input.toStdString();
        EXPECT_EQ(GBQCEncode::normalizeFilepathForAny(c.input), c.forAnyPath) << c.input.toStdString();
        EXPECT_EQ(GBQCEncode::normalizeFilenameForAny(c.input), c.forAnyName) << c.input.toStdString();
    }
    // A NUL inside a name never reaches the file system.
    EXPECT_EQ(GBQCEncode::normalizeFilepathForLocal(QString("a") + QChar(0) + "b"), "a_b");
}

TEST(GBQCEncodeTest, DotsAtTheBeginningOfEachPart) {
    const std::pair<QString, QString> cases[] = {
        {"", ""},
        {".a/b/.c", "_a/b/_c"},
        {"a/../b", "a/_./b"},
        {"/.hidden//x.", "/_hidden//x."},
        {".", "_"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GBQCEncode::normalizeDotAtBegin(c.first), c.second) << c.first.toStdString();
    EXPECT_EQ(GBQCEncode::normalizeColonInRelativePath("a:b/c"), "a:b/c");
}

TEST(GBQCEncodeTest, EncodedWordsDecodeInOrder) {
    struct Case {
        std::string text;
        QString decoded;
    };
    const Case cases[] = {
        // Plain text, up to its first NUL.
        {"plain text", "plain text"},
        {std::string("ab\0cd", 5), "ab"},
        {"caf\xC3\xA9", U(u"caf\u00E9")},
        {"=?utf-8?B?aMOpbGxv?=", U(u"h\u00E9llo")},
        {"=?UTF-8?b?8J+YgA==?=", U(u"\U0001F600")},
        {"=?utf-8?Q?caf=C3=A9?=", U(u"caf\u00E9")},
        {"=?utf-8?q?caf=c3=a9?=", U(u"caf\u00E9")},
        {"=?utf-8?Q?a_b?=", "a b"},
        {"=?utf-8?Q?=3D?=", "="},
        {"=?utf-8?Q?" "?=", ""},
        // Blanks between adjacent words vanish, also across a folded line.
        {"=?utf-8?Q?a?= =?utf-8?Q?b?=", "ab"},
        {"=?utf-8?Q?a?=\r\n =?utf-8?Q?b?=", "ab"},
        {"=?utf-8?Q?a?=\r\n\t=?utf-8?Q?b?=", "ab"},
        {"Re: =?utf-8?Q?a?= and =?utf-8?Q?b?= end", "Re: a and b end"},
        // Two words without a blank keep both, each with its own charset.
        {"=?utf-8?B?YQ==?==?iso-8859-1?Q?caf=E9?=", U(u"acaf\u00E9")},
        {"=?iso-8859-1?Q?=E9?==?utf-8?Q?=C3=A9?=", U(u"\u00E9\u00E9")},
        // Charsets: unknown and ASCII ones are read as Latin-1; a language tag is dropped.
        {"=?x-unknown?Q?caf=E9?=", U(u"caf\u00E9")},
        {"=?US-ASCII?Q?caf=E9?=", U(u"caf\u00E9")},
        {"=?us-ascii?Q?a=00b?=", "a"},
        {"=?utf-8*en?Q?hi?=", "hi"},
        {"=?Shift_JIS?B?k/qWew==?=", U(u"\u65E5\u672C")},
        // A word that is not well formed ends the text after what came before it.
        {"before =?utf-8?X?bad?= after", "before "},
        {"before =?utf-8?Q?a=ZZ?= after", "before "},
        {"before =?utf-8?Q?a=4?= after", "before "},
        {"=??Q?a?= after", ""},
        {"=?utf-8?Q?abc", ""},
        {"=?utf-8?Qabc?=", ""},
        {"=?utf-8", ""},
        {"ok =?", "ok "},
        {"=?utf-8?Q?a?= tail =?", "a tail "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GBQCEncode::encodedWordDecode(Bytes(c.text), false), c.decoded) << Printable(Bytes(c.text));
    EXPECT_TRUE(GBQCEncode::encodedWordDecode(QByteArray(), false).isNull());
    EXPECT_EQ(GBQCEncode::encodedWordDecode("", false), "");
    EXPECT_EQ(GBQCEncode::encodedWordDecode("plain", true), "plain");
}

TEST(GBQCEncodeTest, ANulInsideQTextIsKeptAndDecodingGoesOn) {
    const QString expected = QString("a") + QChar(0) + "bc";
    EXPECT_EQ(GBQCEncode::encodedWordDecode(Bytes(std::string("=?utf-8?Q?a\0b?= =?utf-8?Q?c?=", 29)), false),
              expected);
    EXPECT_EQ(GBQCEncode::encodedWordDecode("=?utf-8?Q?a=00b?= =?utf-8?Q?c?=", false), expected);
}

TEST(GBQCEncodeTest, ManyEncodedWordsInsideText) {
    const std::pair<QString, QString> cases[] = {
        {"no words here", "no words here"},
        {"Re: =?utf-8?Q?caf=C3=A9?= ok", U(u"Re: caf\u00E9 ok")},
        {"=?utf-8?Q?a?= =?utf-8?Q?b?=", "ab"},
        {"=?utf-8*en?Q?hi?=!", "hi!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GBQCEncode::encodedWordDecodeMany(c.first), c.second) << c.first.toStdString();
}

QStringList Words(const QByteArray& encoded) {
    return QString::fromLatin1(encoded).split("\r\n ");
}

TEST(GBQCEncodeTest, EncodingPutsAtMostFortyBytesInAWord) {
    EXPECT_EQ(GBQCEncode::encodedWordEncode("", "utf-8"), QByteArray());
    EXPECT_EQ(GBQCEncode::encodedWordEncode(QString(40, 'a'), "utf-8"),
              "=?utf-8?B?" + QByteArray(40, 'a').toBase64() + "?=");
    EXPECT_EQ(GBQCEncode::encodedWordEncode(QString(41, 'a'), "utf-8"),
              "=?utf-8?B?" + QByteArray(40, 'a').toBase64() + "?=\r\n =?utf-8?B?" + QByteArray("a").toBase64() + "?=");
    EXPECT_EQ(GBQCEncode::encodedWordEncode("abc", "no-such-charset"), QByteArray());
}

TEST(GBQCEncodeTest, ALongWordIsSplitBetweenCharacters) {
    struct Case {
        QString text;
        const char* charset;
        int words;
    };
    const Case cases[] = {
        {QString(30, QChar(0xE9)), "utf-8", 2},                 // 60 bytes: 40 + 20
        {U(u"\U0001F600").repeated(13), "utf-8", 2},            // 52 bytes: 40 + 12
        {U(u"\U0001F600").repeated(13), "UTF-8", 2},
        {U(u"\U0001F600").repeated(3), "UTF-16", 1},            // 12 bytes without marks
        {U(u"\U0001F600").repeated(11), "UTF-16", 2},           // 44 bytes: 40 + 4
        {U(u"\u65E5\u672C\u8A9E").repeated(8), "Shift-JIS", 2}, // 48 bytes
        {U(u"x\u00E9\U0001F600"), "utf-8", 1},
    };
    for (const Case& c : cases) {
        const QByteArray encoded = GBQCEncode::encodedWordEncode(c.text, c.charset);
        const QStringList words = Words(encoded);
        EXPECT_EQ(words.size(), c.words) << c.charset;
        for (const QString& word : words) {
            const QString prefix = QString("=?") + c.charset + "?B?";
            ASSERT_TRUE(word.startsWith(prefix)) << word.toStdString();
            ASSERT_TRUE(word.endsWith("?="));
            const QByteArray bytes = QByteArray::fromBase64(word.mid(prefix.size(), word.size() - prefix.size() - 2).toLatin1());
            EXPECT_LE(bytes.size(), 40);
            // Each word decodes on its own: no character is split and no mark is inside.
            EXPECT_TRUE(GBQCEncode::isValidEncoding(c.charset, bytes)) << c.charset;
            EXPECT_FALSE(GBQCEncode::hasUtf8Bom(bytes) || GBQCEncode::hasUtf16Bom(bytes)) << c.charset;
        }
        EXPECT_EQ(GBQCEncode::encodedWordDecode(encoded, false), c.text) << c.charset;
        EXPECT_FALSE(GBQCEncode::encodedWordDecode(encoded, false).contains('?'));
    }
}

}  // namespace

namespace {

TEST(GBQCEncodeTest, WholeTextEncodersKeepTheCodecsMark) {
    // Files written whole carry the mark that readers detect by; only encoded words go without.
    EXPECT_EQ(GBQCEncode::toUtf8("a", true), Bytes("\xEF\xBB\xBF" "a"));
    EXPECT_TRUE(GBQCEncode::hasUtf16Bom(GBQCEncode::toUtf16("a")));
    EXPECT_EQ(GBQCEncode::fromUnknownText(GBQCEncode::toUtf16(U(u"caf\u00E9"))), U(u"caf\u00E9"));
}

}  // namespace
