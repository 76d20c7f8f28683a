#pragma once

#include <QByteArray>
#include <QString>

// Text-encoding operations over Qt's strings and codecs: byte-order marks, validity, the guess
// between Mac Roman and Latin-1, conversions, detection of unknown text, name clean-ups and
// RFC 2047 encoded words. A codec that does not exist gives a null QString / QByteArray.
class GBQCEncode {
public:
    GBQCEncode() = delete;

    // Byte tests and guesses.
    static bool hasUtf16Bom(const QByteArray& bytes);
    static bool hasUtf8Bom(const QByteArray& bytes);
    // False for an unknown codec, for invalid bytes and for a sequence left unfinished at the end.
    static bool isValidEncoding(const QByteArray& codecName, const QByteArray& bytes);
    static bool isValidUtf8(const QByteArray& bytes);
    static bool seemsMacRoman(const QByteArray& bytes);

    // Conversions; a length of -1 (any negative length) means up to the terminating NUL.
    static QString fromUtf16(const ushort* units, int count);
    static QByteArray toUtf16(const QString& text);
    static QString fromUtf8(const char* bytes, int length);
    static QString fromUtf8(const QByteArray& bytes);
    // Through the codec the bytes begin with the codec's byte-order mark, as a fresh codec writes.
    static QByteArray toUtf8(const QString& text, bool throughCodec);
    static QString fromLatin1(const char* bytes, int length);
    static QString fromLatin1(const QByteArray& bytes);
    static QByteArray toLatin1(const QString& text);
    static QString fromMacRoman(const char* bytes, int length);
    static QString fromMacRoman(const QByteArray& bytes);
    static QByteArray toMacRoman(const QString& text);
    static QString fromShiftJis(const char* bytes, int length);
    static QString fromShiftJis(const QByteArray& bytes);
    static QByteArray toShiftJis(const QString& text);
    static QString fromEncoding(const QByteArray& codecName, const char* bytes, int length);
    static QByteArray toEncoding(const QByteArray& codecName, const QString& text);

    static QString fromLocalFilepath(const char* bytes, int length);
    static QString fromLocalFilepath(const QByteArray& bytes);
    // The detection chain: UTF-16 mark, UTF-8 mark, valid UTF-8, Mac Roman guess, Latin-1.
    static QString fromLocalText(const char* bytes, int length);
    static QString fromLocalText(const QByteArray& bytes);
    static QString fromUnknownFilepath(const char* bytes, int length);
    static QString fromUnknownFilepath(const QByteArray& bytes);
    static QString fromUnknownText(const char* bytes, int length);
    static QString fromUnknownText(const QByteArray& bytes);
    static QByteArray toUnknownText(const QString& text);

    // Clean-ups; "_" replaces what a name may not hold.
    // The local forms keep the normalisation form the name is written in: local file systems
    // store names byte for byte, so a composed name stays composed and is found as written.
    static QString normalizeFilepathForLocal(const QString& path);
    static QByteArray normalizeFilepathForLocalToUtf8(const QString& path);
    static QString normalizeFilenameForLocal(const QString& name);
    // The portable forms are decomposed (form D).
    static QString normalizeFilepathForAny(const QString& path);
    static QString normalizeFilenameForAny(const QString& name);
    static QString normalizeDotAtBegin(const QString& path);
    static QString normalizeColonInRelativePath(const QString& path);

    // RFC 2047 encoded words.
    static QString encodedWordDecode(const QByteArray& text, bool local8Bit);
    static QString encodedWordDecodeMany(const QString& text);
    static QByteArray encodedWordEncode(const QString& text, const QByteArray& charset);
};
