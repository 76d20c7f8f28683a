#include "plugin/text/GBQCEncode.h"

#include <QChar>
#include <QRegularExpression>
#include <QStringList>
#include <QTextCodec>

#include <cstring>

namespace {

// Weights of how probable each byte 0x80..0xFF is in text of one encoding (4 most, 0 least).
class GPrivateProbLatin1 {
public:
    static const unsigned char* Weights() {
        static const unsigned char w[128] = {
            2, 0, 1, 1, 1, 1, 1, 1, 1, 2, 3, 1, 3, 0, 3, 0,  // 0x80
            0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 3, 1, 4, 0, 3, 3,  // 0x90
            0, 1, 2, 2, 1, 2, 1, 1, 1, 2, 1, 1, 1, 0, 2, 1,  // 0xA0
            1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2,  // 0xB0
            3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,  // 0xC0
            3, 3, 3, 3, 3, 3, 3, 1, 3, 3, 3, 3, 3, 3, 1, 4,  // 0xD0
            4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,  // 0xE0
            4, 4, 4, 4, 4, 4, 4, 1, 4, 4, 4, 4, 4, 4, 1, 4,  // 0xF0
        };
        return w;
    }
};

class GPrivateProbMacRoman {
public:
    static const unsigned char* Weights() {
        static const unsigned char w[128] = {
            3, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4,  // 0x80
            4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,  // 0x90
            1, 1, 2, 2, 1, 1, 1, 4, 2, 2, 2, 1, 1, 1, 3, 3,  // 0xA0
            1, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 4, 4,  // 0xB0
            2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 3, 3, 3, 3, 4,  // 0xC0
            1, 1, 1, 1, 1, 1, 1, 1, 4, 3, 1, 2, 1, 1, 1, 1,  // 0xD0
            1, 1, 1, 1, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,  // 0xE0
            0, 3, 3, 3, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 0xF0
        };
        return w;
    }
};

// 0..15 for hex digits, 0x82 for everything else.
class GPrivateQuotedPrintableHexmap {
public:
    static const unsigned char* Map() {
        static const GPrivateQuotedPrintableHexmap instance;
        return instance.m_map;
    }

private:
    GPrivateQuotedPrintableHexmap() {
        std::memset(m_map, 0x82, sizeof m_map);
        for (int i = 0; i < 10; ++i)
            m_map['0' + i] = static_cast<unsigned char>(i);
        for (int i = 0; i < 6; ++i) {
            m_map['A' + i] = static_cast<unsigned char>(10 + i);
            m_map['a' + i] = static_cast<unsigned char>(10 + i);
        }
    }
    unsigned char m_map[256];
};

constexpr unsigned char kNotHex = 0x82;

int LengthOf(const char* bytes, int length) {
    if (!bytes)
        return 0;
    return length < 0 ? static_cast<int>(std::strlen(bytes)) : length;
}

QTextCodec* Codec(const char* name) {
    return QTextCodec::codecForName(name);
}

// True when the decoder was left inside a character. Qt's own codecs count the bytes they hold;
// codecs run through ICU keep them inside the converter, so one more byte is fed and compared
// with what that byte gives alone (the state is spent afterwards).
bool UnfinishedTail(QTextCodec* codec, QTextCodec::ConverterState& state) {
    if (state.remainingChars > 0)
        return true;
    switch (codec->mibEnum()) {
    case 106:                                  // UTF-8 counts its own
    case 1013: case 1014: case 1015:           // UTF-16: one byte alone is unfinished
    case 1017: case 1018: case 1019:           // UTF-32
        return false;
    default:
        break;
    }
    const QString alone = codec->toUnicode("A", 1);
    return codec->toUnicode("A", 1, &state) != alone;
}

// Decodes with a fresh state; a sequence left unfinished at the end is shown as U+FFFD instead
// of vanishing, so "caf\xE9" read as UTF-8 never becomes "caf".
QString Decode(QTextCodec* codec, const char* bytes, int length) {
    if (!codec)
        return QString();
    QTextCodec::ConverterState state;
    QString text = codec->toUnicode(bytes ? bytes : "", length, &state);
    if (UnfinishedTail(codec, state))
        text += QChar(QChar::ReplacementCharacter);
    return text;
}

QByteArray Encode(QTextCodec* codec, const QString& text) {
    if (!codec)
        return QByteArray();
    QTextCodec::ConverterState state;
    return codec->fromUnicode(text.constData(), text.size(), &state);
}

bool StartsWithUtf16Bom(const char* bytes, int length) {
    if (length < 2)
        return false;
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    return (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF);
}

bool StartsWithUtf8Bom(const char* bytes, int length) {
    return length >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
           static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF;
}

QString DetectAndDecode(const char* bytes, int length) {
    length = LengthOf(bytes, length);
    if (!bytes)
        bytes = "";
    if (StartsWithUtf16Bom(bytes, length))
        return Decode(Codec("UTF-16"), bytes, length);
    const QByteArray array = QByteArray::fromRawData(bytes, length);
    if (StartsWithUtf8Bom(bytes, length) || GBQCEncode::isValidUtf8(array))
        return Decode(Codec("UTF-8"), bytes, length);
    if (GBQCEncode::seemsMacRoman(array))
        return Decode(Codec("Apple Roman"), bytes, length);
    return QString::fromLatin1(bytes, length);
}

QString handleAsciiControlChars(QString text) {
    for (QChar& c : text) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7F || u == 0xFFFD || u == 0xFFFC)
            c = QLatin1Char('_');
    }
    return text;
}

QString handleAsciiSeparators(QString text) {
    for (QChar& c : text) {
        const ushort u = c.unicode();
        if (u == '*' || u == '"' || u == '<' || u == '>' || u == '|')
            c = QLatin1Char('_');
    }
    // A leading \\?\ (a long-path prefix) keeps its question mark.
    static const QRegularExpression prefix(QStringLiteral("^(\\\\\\\\\\?\\\\)"));
    const int keep = prefix.match(text).hasMatch() ? 2 : -1;
    for (int i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char('?') && i != keep)
            text[i] = QLatin1Char('_');
    return text;
}

QString ReplaceChars(QString text, const char* chars) {
    for (QChar& c : text)
        if (c.unicode() < 0x80 && std::strchr(chars, static_cast<char>(c.unicode())))
            c = QLatin1Char('_');
    return text;
}

bool HoldsNonBlank(const QByteArray& bytes) {
    for (char c : bytes)
        if (c != ' ' && c != '\t')
            return true;
    return false;
}

bool HoldsNonBlank(const QString& text) {
    for (QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            return true;
    return false;
}

// RFC 2047 "Q": false when an "=" is not followed by two hex digits.
bool DecodeQ(const QByteArray& encoded, QByteArray& out) {
    const unsigned char* hex = GPrivateQuotedPrintableHexmap::Map();
    out.clear();
    out.reserve(encoded.size());
    for (int i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '=') {
            if (i + 2 >= encoded.size())
                return false;
            const unsigned char hi = hex[static_cast<unsigned char>(encoded[i + 1])];
            const unsigned char lo = hex[static_cast<unsigned char>(encoded[i + 2])];
            if (hi == kNotHex || lo == kNotHex)
                return false;
            out.append(static_cast<char>((hi << 4) | lo));
            i += 2;
        } else if (c == '_') {
            out.append(' ');
        } else {
            out.append(c);  // a NUL stays a byte of the word
        }
    }
    return true;
}

QString WordBytesToText(const QByteArray& charset, const QByteArray& bytes) {
    if (charset.toLower().contains("ascii"))
        return QString::fromLatin1(bytes.constData(), static_cast<int>(qstrnlen(bytes.constData(), bytes.size())));
    if (QTextCodec* codec = QTextCodec::codecForName(charset))
        return Decode(codec, bytes.constData(), bytes.size());
    return QString::fromLatin1(bytes.constData(), static_cast<int>(qstrnlen(bytes.constData(), bytes.size())));
}

// Parses the word at work[p] ("=?charset?X?text?="), its fields in order. False when it is not
// a well-formed, decodable word.
bool ParseWord(const QByteArray& work, int p, QString& text, int& end) {
    const int charsetEnd = work.indexOf('?', p + 2);
    if (charsetEnd < 0 || charsetEnd + 2 >= work.size() || work[charsetEnd + 2] != '?')
        return false;
    QByteArray charset = work.mid(p + 2, charsetEnd - p - 2);
    // RFC 2231 admits a language after the charset: "utf-8*en".
    const int star = charset.indexOf('*');
    if (star >= 0)
        charset.truncate(star);
    if (charset.isEmpty())
        return false;
    const char kind = work[charsetEnd + 1];
    const int textStart = charsetEnd + 3;
    const int close = work.indexOf("?=", textStart);
    if (close < 0)
        return false;
    const QByteArray encoded = work.mid(textStart, close - textStart);
    QByteArray bytes;
    if (kind == 'B' || kind == 'b')
        bytes = QByteArray::fromBase64(encoded);
    else if (kind == 'Q' || kind == 'q') {
        if (!DecodeQ(encoded, bytes))
            return false;
    } else
        return false;
    text = WordBytesToText(charset, bytes);
    end = close + 2;
    return true;
}

void WriteWord(QByteArray& out, const QByteArray& charset, const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    if (!out.isEmpty())
        out += "\r\n ";
    out += "=?" + charset + "?B?" + bytes.toBase64() + "?=";
}

}  // namespace

bool GBQCEncode::hasUtf16Bom(const QByteArray& bytes) {
    return StartsWithUtf16Bom(bytes.constData(), bytes.size());
}

bool GBQCEncode::hasUtf8Bom(const QByteArray& bytes) {
    return StartsWithUtf8Bom(bytes.constData(), bytes.size());
}

bool GBQCEncode::isValidEncoding(const QByteArray& codecName, const QByteArray& bytes) {
    QTextCodec* codec = QTextCodec::codecForName(codecName);
    if (!codec)
        return false;
    QTextCodec::ConverterState state;
    codec->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && !UnfinishedTail(codec, state);
}

bool GBQCEncode::isValidUtf8(const QByteArray& bytes) {
    return isValidEncoding("UTF-8", bytes);
}

bool GBQCEncode::seemsMacRoman(const QByteArray& bytes) {
    const unsigned char* mac = GPrivateProbMacRoman::Weights();
    const unsigned char* latin = GPrivateProbLatin1::Weights();
    int score = 0;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80)
            score += mac[b - 0x80] - latin[b - 0x80];
    }
    return score >= 2;
}

QString GBQCEncode::fromUtf16(const ushort* units, int count) {
    if (!units)
        return QString();
    return QString::fromUtf16(units, count < 0 ? -1 : count);
}

QByteArray GBQCEncode::toUtf16(const QString& text) {
    return Encode(Codec("UTF-16"), text);
}

QString GBQCEncode::fromUtf8(const char* bytes, int length) {
    if (!bytes)
        return QString();
    return QString::fromUtf8(bytes, LengthOf(bytes, length));
}

QString GBQCEncode::fromUtf8(const QByteArray& bytes) {
    if (bytes.isNull())
        return QString();
    return QString::fromUtf8(bytes.constData(), bytes.size());
}

QByteArray GBQCEncode::toUtf8(const QString& text, bool throughCodec) {
    return throughCodec ? Encode(Codec("UTF-8"), text) : text.toUtf8();
}

QString GBQCEncode::fromLatin1(const char* bytes, int length) {
    if (!bytes)
        return QString();
    return QString::fromLatin1(bytes, LengthOf(bytes, length));
}

QString GBQCEncode::fromLatin1(const QByteArray& bytes) {
    if (bytes.isNull())
        return QString();
    return QString::fromLatin1(bytes.constData(), bytes.size());
}

QByteArray GBQCEncode::toLatin1(const QString& text) {
    return text.toLatin1();
}

QString GBQCEncode::fromMacRoman(const char* bytes, int length) {
    return Decode(Codec("Apple Roman"), bytes, LengthOf(bytes, length));
}

QString GBQCEncode::fromMacRoman(const QByteArray& bytes) {
    return Decode(Codec("Apple Roman"), bytes.constData(), bytes.size());
}

QByteArray GBQCEncode::toMacRoman(const QString& text) {
    return Encode(Codec("Apple Roman"), text);
}

QString GBQCEncode::fromShiftJis(const char* bytes, int length) {
    return Decode(Codec("Shift-JIS"), bytes, LengthOf(bytes, length));
}

QString GBQCEncode::fromShiftJis(const QByteArray& bytes) {
    return Decode(Codec("Shift-JIS"), bytes.constData(), bytes.size());
}

QByteArray GBQCEncode::toShiftJis(const QString& text) {
    return Encode(Codec("Shift-JIS"), text);
}

QString GBQCEncode::fromEncoding(const QByteArray& codecName, const char* bytes, int length) {
    return Decode(QTextCodec::codecForName(codecName), bytes, LengthOf(bytes, length));
}

QByteArray GBQCEncode::toEncoding(const QByteArray& codecName, const QString& text) {
    return Encode(QTextCodec::codecForName(codecName), text);
}

QString GBQCEncode::fromLocalFilepath(const char* bytes, int length) {
    length = LengthOf(bytes, length);
    if (bytes && StartsWithUtf16Bom(bytes, length))
        return Decode(Codec("UTF-16"), bytes, length);
    return Decode(Codec("UTF-8"), bytes, length);
}

QString GBQCEncode::fromLocalFilepath(const QByteArray& bytes) {
    return fromLocalFilepath(bytes.constData(), bytes.size());
}

QString GBQCEncode::fromLocalText(const char* bytes, int length) {
    return DetectAndDecode(bytes, length);
}

QString GBQCEncode::fromLocalText(const QByteArray& bytes) {
    return DetectAndDecode(bytes.constData(), bytes.size());
}

QString GBQCEncode::fromUnknownFilepath(const char* bytes, int length) {
    return DetectAndDecode(bytes, length);
}

QString GBQCEncode::fromUnknownFilepath(const QByteArray& bytes) {
    return DetectAndDecode(bytes.constData(), bytes.size());
}

QString GBQCEncode::fromUnknownText(const char* bytes, int length) {
    return DetectAndDecode(bytes, length);
}

QString GBQCEncode::fromUnknownText(const QByteArray& bytes) {
    return DetectAndDecode(bytes.constData(), bytes.size());
}

QByteArray GBQCEncode::toUnknownText(const QString& text) {
    return text.toUtf8();
}

QString GBQCEncode::normalizeFilepathForLocal(const QString& path) {
    return handleAsciiControlChars(path);
}

QByteArray GBQCEncode::normalizeFilepathForLocalToUtf8(const QString& path) {
    return normalizeFilepathForLocal(path).toUtf8();
}

QString GBQCEncode::normalizeFilenameForLocal(const QString& name) {
    return ReplaceChars(handleAsciiControlChars(name), ":/");
}

QString GBQCEncode::normalizeFilepathForAny(const QString& path) {
    return handleAsciiSeparators(handleAsciiControlChars(path)).normalized(QString::NormalizationForm_D);
}

QString GBQCEncode::normalizeFilenameForAny(const QString& name) {
    return ReplaceChars(handleAsciiSeparators(handleAsciiControlChars(name)), ":/\\")
        .normalized(QString::NormalizationForm_D);
}

QString GBQCEncode::normalizeDotAtBegin(const QString& path) {
    QStringList parts = path.split(QLatin1Char('/'));
    for (QString& part : parts)
        if (part.startsWith(QLatin1Char('.')))
            part[0] = QLatin1Char('_');
    return parts.join(QLatin1Char('/'));
}

QString GBQCEncode::normalizeColonInRelativePath(const QString& path) {
    return path;
}

QString GBQCEncode::encodedWordDecode(const QByteArray& text, bool local8Bit) {
    if (text.isNull())
        return QString();
    if (text.isEmpty() || !text.contains("=?")) {
        const int n = static_cast<int>(qstrnlen(text.constData(), text.size()));
        return local8Bit ? QString::fromLocal8Bit(text.constData(), n) : QString::fromUtf8(text.constData(), n);
    }
    QByteArray work = text;
    work.replace('\n', QByteArray()).replace('\r', QByteArray());
    QString result;
    int pos = 0;
    for (;;) {
        const int p = work.indexOf("=?", pos);
        if (p < 0)
            break;
        const QByteArray before = work.mid(pos, p - pos);
        if (HoldsNonBlank(before))
            result += QString::fromUtf8(before);
        QString word;
        int end = 0;
        // A word that is not well formed ends the text: what follows it is not trusted.
        if (!ParseWord(work, p, word, end))
            return result;
        result += word;
        pos = end;
    }
    const QByteArray rest = work.mid(pos);
    if (HoldsNonBlank(rest))
        result += QString::fromUtf8(rest);
    return result;
}

QString GBQCEncode::encodedWordDecodeMany(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("=\\?.+?(\\?|\\*).+?\\?.+?\\?="),
                                            QRegularExpression::MultilineOption);
    QRegularExpressionMatchIterator it = pattern.globalMatch(text);
    if (!it.hasNext())
        return text;
    QString result;
    int pos = 0;
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString plain = text.mid(pos, m.capturedStart() - pos);
        if (HoldsNonBlank(plain))
            result += plain;
        result += encodedWordDecode(m.captured().toUtf8(), false);
        pos = m.capturedEnd();
    }
    const QString plain = text.mid(pos);
    if (HoldsNonBlank(plain))
        result += plain;
    return result;
}

QByteArray GBQCEncode::encodedWordEncode(const QString& text, const QByteArray& charset) {
    constexpr int kMaxWordBytes = 40;
    QByteArray out;
    QByteArray pending;
    QTextCodec* codec = charset == "utf-8" ? nullptr : QTextCodec::codecForName(charset);
    const int n = text.size();
    for (int i = 0; i < n;) {
        // One code point at a time: a surrogate pair is one character, never two "?".
        int units = 1;
        if (text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate())
            units = 2;
        const QString ch = text.mid(i, units);
        i += units;
        const bool last = i >= n;
        QByteArray bytes;
        if (charset == "utf-8") {
            bytes = ch.toUtf8();
        } else if (codec) {
            // No byte-order mark inside a word: each character is encoded on its own.
            QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
            bytes = codec->fromUnicode(ch.constData(), ch.size(), &state);
        }
        if (pending.size() + bytes.size() <= kMaxWordBytes) {
            pending += bytes;
            if (last)
                WriteWord(out, charset, pending);
        } else {
            WriteWord(out, charset, pending);
            pending = bytes;
            if (last)
                WriteWord(out, charset, pending);
        }
    }
    return out;
}
