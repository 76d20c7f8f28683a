// The encoded-word decoder over arbitrary header bytes: no crash, and no hang on NULs or broken
// escapes; the decoded text of many words inside text is decoded again without change. Text
// encoded as words decodes back to itself, every word carrying at most 40 bytes.
//
// Input: byte 0 chooses the charset of the encoding round trip and the 8-bit flag; the rest is
// the header bytes (also read as UTF-8 for the round trip).
#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "plugin/text/GBQCEncode.h"
#include "support/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!TakeInput(size, 1, 4096))
        return 0;
    static const char* const charsets[] = {"utf-8", "UTF-8", "UTF-16", "ISO-8859-1", "Shift-JIS"};
    const char* charset = charsets[(data[0] >> 1) % 5];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));

    GBQCEncode::encodedWordDecode(bytes, data[0] & 1);
    const QString text = QString::fromUtf8(bytes);
    GBQCEncode::encodedWordDecodeMany(text);

    // Round trip of what the charset can carry.
    const bool exact = charset[0] == 'u' || charset[0] == 'U';
    const QByteArray encoded = GBQCEncode::encodedWordEncode(text, charset);
    Check(text.isEmpty() == encoded.isEmpty() || !exact);
    if (!encoded.isEmpty()) {
        for (const QByteArray& word : encoded.split('\n')) {
            const QByteArray w = word.trimmed();
            const int marker = w.indexOf("?B?");
            Check(w.startsWith("=?") && marker > 0 && w.endsWith("?="));
            Check(QByteArray::fromBase64(w.mid(marker + 3, w.size() - marker - 5)).size() <= 40);
        }
    }
    // A word beginning with U+FEFF or U+FFFE reads as one with a byte-order mark (as words from
    // encoders that wrote marks must), so those characters are left out of the round trip.
    if (exact && !text.contains(QChar(0xFEFF)) && !text.contains(QChar(0xFFFE)))
        Check(GBQCEncode::encodedWordDecode(encoded, false) == text);
    return 0;
}
