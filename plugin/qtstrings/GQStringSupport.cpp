#include "plugin/qtstrings/GQStringSupport.h"

#include "core/text/GStringPool.h"
#include "core/text/encodings/GUnicodeEncoding.h"
#include "plugin/qtstrings/GBQCStringSupport.h"

namespace {

QString WithLFLineEnds(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

QString GQStringSupport::ToQString(GString const& text) {
    GEncoding* const unicode = GUnicodeEncoding::GetInstance();
    GBuffer converted;
    GBuffer const* units = &text.GetEncodedBuffer();
    if (text.GetEncoding().Get() != unicode) {
        text.GetBuffer(converted, unicode);
        units = &converted;
    }
    auto const* first = reinterpret_cast<ushort const*>(units->GetPtr());
    int const count = units->GetLength() / 2;
    int length = 0;
    while (length < count && first[length] != 0)
        ++length;
    return WithLFLineEnds(QString::fromUtf16(first, length));
}

QString GQStringSupport::ToQString(GBuffer const& utf8) {
    auto const* bytes = reinterpret_cast<char const*>(utf8.GetPtr());
    int length = 0;
    while (length < utf8.GetLength() && bytes[length] != '\0')
        ++length;
    return WithLFLineEnds(QString::fromUtf8(bytes, length));
}

QString GQStringSupport::ToQString(GPathName const& path) { return ToQString(path.GetCrossPlatformString()); }

QString GQStringSupport::ToQString(GName const& name) {
    if (name.IsEmpty())
        return QString();
    return ToQString(name.GetBuffer());
}

QByteArray GQStringSupport::ToQByteArray(GBuffer const& bytes) {
    return QByteArray(reinterpret_cast<char const*>(bytes.GetPtr()), bytes.GetLength());
}

QStringList GQStringSupport::ToQStringList(GTable<GString> const& texts) {
    QStringList list;
    for (GString const& text : texts)
        list.append(ToQString(text));
    return list;
}

QStringList GQStringSupport::ToQStringList(GTable<GPathName> const& paths) {
    QStringList list;
    for (GPathName const& path : paths)
        list.append(ToQString(path));
    return list;
}

QString GQStringSupport::StringIDToQString(int id) { return ToQString(GStringPool::GetString(id)); }

QStringList GQStringSupport::StringIDToQStringList(int firstID) {
    GTable<GString> texts;
    GStringPool::GetStringList(firstID, texts);
    return ToQStringList(texts);
}

QString GQStringSupport::StringIDToToolTipQString(int id) {
    return GBQCStringSupport::FormatToolTip(StringIDToQString(id));
}

GString GQStringSupport::ToGString(QString const& text, bool normalize) {
    return GString(reinterpret_cast<unsigned char const*>(text.utf16()), text.size() * 2,
                   GUnicodeEncoding::GetInstance(), normalize);
}

GPathName GQStringSupport::ToGPathName(QString const& text, bool normalize) {
    return GPathName(ToGString(text, normalize));
}

GTable<GString> GQStringSupport::ToGStringTable(QStringList const& texts) {
    GTable<GString> table;
    for (QString const& text : texts)
        table.AddItem(ToGString(text, true));
    return table;
}

GTable<GPathName> GQStringSupport::ToGPathNameTable(QStringList const& texts) {
    GTable<GPathName> table;
    for (QString const& text : texts)
        table.AddItem(ToGPathName(text, true));
    return table;
}

GBuffer GQStringSupport::ToGBuffer(QString const& text) {
    QByteArray const utf8 = text.toUtf8();
    int const end = utf8.indexOf('\0');
    return GBuffer(reinterpret_cast<unsigned char const*>(utf8.constData()), end < 0 ? utf8.size() : end);
}

GBuffer GQStringSupport::ToGBuffer(QByteArray const& bytes) {
    return GBuffer(reinterpret_cast<unsigned char const*>(bytes.constData()), bytes.size());
}

GName GQStringSupport::ToGName(QString const& text) {
    if (text.isNull())
        return GName();
    return GName(ToGBuffer(text));
}
