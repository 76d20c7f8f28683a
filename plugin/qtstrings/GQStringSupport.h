#pragma once
// GQStringSupport: the conversions between the framework's texts (GString, GBuffer, GName,
// GPathName and tables of them) and Qt's (QString, QByteArray, QStringList), and string-pool texts
// as QString. No state.
//
// Callers may rely on:
// - Texts made for Qt from a GString or a GBuffer end at their first NUL and have LF line ends
//   only: each CR LF pair and each remaining CR becomes one LF.
// - A GBuffer handed to or taken from Qt as text is UTF-8; ToQByteArray and ToGBuffer of a
//   QByteArray keep every byte, NULs included.
// - ToGString keeps every UTF-16 unit of the QString, U+0000 included; with normalize the text is
//   composed.
// - A null QString gives the nil GName and the nil GName a null QString. The framework's GName has
//   no empty name besides the nil one, so an empty QString gives the nil name too.
#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include "core/bytes/GBuffer.h"
#include "core/containers/GTable.h"
#include "core/text/GName.h"
#include "core/text/GString.h"
#include "services/paths/GPathName.h"

class GQStringSupport {
public:
    GQStringSupport() = delete;

    static QString ToQString(GString const& text);
    static QString ToQString(GBuffer const& utf8);
    static QString ToQString(GPathName const& path);
    static QString ToQString(GName const& name);
    static QByteArray ToQByteArray(GBuffer const& bytes);
    static QStringList ToQStringList(GTable<GString> const& texts);
    static QStringList ToQStringList(GTable<GPathName> const& paths);
    static QString StringIDToQString(int id);
    // The texts of firstID, firstID + 1, ... up to the first id without one.
    static QStringList StringIDToQStringList(int firstID);
    static QString StringIDToToolTipQString(int id);

    static GString ToGString(QString const& text, bool normalize = true);
    static GPathName ToGPathName(QString const& text, bool normalize = true);
    static GTable<GString> ToGStringTable(QStringList const& texts);
    static GTable<GPathName> ToGPathNameTable(QStringList const& texts);
    // The UTF-8 bytes up to the first NUL.
    static GBuffer ToGBuffer(QString const& text);
    static GBuffer ToGBuffer(QByteArray const& bytes);
    static GName ToGName(QString const& text);
};
