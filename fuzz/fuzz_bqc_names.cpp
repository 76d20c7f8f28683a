// The name decoders and the detection chain over arbitrary bytes: no crash; nothing vanishes
// (an 8-bit guess gives one character a byte, valid UTF-8 comes back byte for byte); the
// clean-ups leave no control character, keep the length, and the portable file-name form holds
// no separator.
//
// Input: byte 0 chooses the Japanese-environment flag (bit 0); the rest is the name's bytes.
#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "plugin/logging/EncodeEnvironment.h"
#include "plugin/text/GBQCEncode.h"
#include "support/FuzzInput.h"

namespace {

bool HoldsControl(const QString& s) {
    for (QChar c : s) {
        const ushort u = c.unicode();
        if (u < 0x20 || u == 0x7F || u == 0xFFFD || u == 0xFFFC)
            return true;
    }
    return false;
}

// A zip entry name as the reader decodes it.
QString DecodeEntryName(const QByteArray& raw) {
    if (GBQCEncode::isValidUtf8(raw))
        return GBQCEncode::fromUtf8(raw);
    return Kelvora::EncodeEnvironment::runningInJapaneseEnvironment() ? GBQCEncode::fromShiftJis(raw)
                                                                       : GBQCEncode::fromMacRoman(raw);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!TakeInput(size, 1, 4096))
        return 0;
    Kelvora::EncodeEnvironment::setRunningInJapaneseEnvironment(data[0] & 1);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));

    const bool utf8Bom = GBQCEncode::hasUtf8Bom(bytes);
    const bool utf16Bom = GBQCEncode::hasUtf16Bom(bytes);
    const bool valid = GBQCEncode::isValidUtf8(bytes);
    const bool mac = GBQCEncode::seemsMacRoman(bytes);

    const QString detected = GBQCEncode::fromUnknownFilepath(bytes);
    Check(detected == GBQCEncode::fromLocalText(bytes));
    Check(detected == GBQCEncode::fromUnknownText(bytes.constData(), bytes.size()));
    if (!utf16Bom && !utf8Bom && !valid) {
        // Mac Roman and Latin-1 give one character a byte.
        Check(detected.size() == bytes.size());
        if (!mac)
            Check(detected == GBQCEncode::fromLatin1(bytes));
    }
    if (valid && !utf8Bom) {
        Check(GBQCEncode::fromUtf8(bytes).toUtf8() == bytes);
        Check(detected == GBQCEncode::fromUtf8(bytes));
    }
    if (!valid && !utf16Bom) {
        // An invalid or unfinished sequence shows as a replacement, never as nothing.
        Check(GBQCEncode::fromLocalFilepath(bytes).contains(QChar(QChar::ReplacementCharacter)));
    }
    Check(GBQCEncode::fromMacRoman(bytes).size() == bytes.size());
    GBQCEncode::fromShiftJis(bytes);

    const QString name = DecodeEntryName(bytes);
    Check(bytes.isEmpty() || utf8Bom || !name.isEmpty());
    const QString local = GBQCEncode::normalizeFilepathForLocal(name);
    Check(local.size() == name.size() && !HoldsControl(local));
    Check(GBQCEncode::normalizeFilepathForLocalToUtf8(name) == local.toUtf8());
    const QString localName = GBQCEncode::normalizeFilenameForLocal(name);
    Check(!HoldsControl(localName) && !localName.contains('/') && !localName.contains(':'));
    const QString anyName = GBQCEncode::normalizeFilenameForAny(name);
    Check(!HoldsControl(anyName));
    for (const char c : {'/', '\\', ':', '*', '"', '<', '>', '|'})
        Check(!anyName.contains(QLatin1Char(c)));
    Check(!HoldsControl(GBQCEncode::normalizeFilepathForAny(name)));
    const QString dots = GBQCEncode::normalizeDotAtBegin(local);
    Check(dots.size() == local.size());
    for (const QString& part : dots.split('/'))
        Check(!part.startsWith('.'));
    return 0;
}
