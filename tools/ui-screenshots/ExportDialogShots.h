#pragma once
// Review pictures of the export dialog over a registry of sample Trovelors in a private folder.
#include <QtCore/QString>

class ExportDialogShots {
public:
    ExportDialogShots() = delete;
    // Points HOME, the XDG folders and TMPDIR at a fresh private folder; before the foundation starts.
    static void UsePrivateUser();
    // First opening, options expanded in points and millimetres, book mode, an empty list, Alt held
    // and long names, each saved as "ui-export-dialog-*.png" into the folder.
    static void Capture(QString const& folder);
    // The message boxes of the dialog's failures, as the plug-in shows them: Trovelors without PDF
    // settings, a removal that fails, an export whose package cannot be read (after the dialog
    // closed) and legal notices that cannot be read; each saved as "ui-export-error-*.png".
    static void CaptureFailures(QString const& folder);
};
