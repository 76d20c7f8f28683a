#pragma once
// CopyrightDialog: the plug-in's copyright line and the legal notices of the software it includes,
// read from "TextInSoftware.txt" in the bundle's "Resources/Licenses" folder and shown as simple
// HTML in a read-only browser, with a "Done" button.
//
// Callers may rely on:
// - Construction never throws for the notices file: one that cannot be read is reported through
//   the user-message instance (an error naming the file), and the dialog shows the copyright line
//   alone.
// - The notices file is UTF-8 text; paragraphs end at an empty line, a line of blanks or a line
//   that begins with "-". A paragraph of one line beginning "This product includes " is a heading;
//   from a paragraph beginning "For more legal notices" on, every line keeps its line break.
// - No geometry is kept and no host modal-loop hook is called; main thread only.
#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtWidgets/QDialog>

#include "services/paths/GPathName.h"

class CopyrightDialog : public QDialog {
public:
    explicit CopyrightDialog(QWidget* parent);
    // The same with another notices file (tests, tools).
    CopyrightDialog(QWidget* parent, GPathName const& notices);
    ~CopyrightDialog() override;

    // "Resources/Licenses/TextInSoftware.txt" in the folder two above the plug-in's own file.
    static GPathName GetNoticesPath();
    // The HTML of a notices file's bytes.
    static QString ConvertNotices(QByteArray const& utf8);
    // The whole file; throws the file stream's exception when it cannot be read.
    static QByteArray ReadNotices(GPathName const& path);
    static QString GetCopyrightLine();

private:
    QString NoticesOrNothing(GPathName const& path) const;
};
