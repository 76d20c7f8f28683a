#pragma once
// GIDCSPExportBookAction: the export action of the active book. SaveAsPDF checks every chapter
// for missing fonts, then writes the book (or the contents selected in the Book panel) to one
// new PDF through the host's book export command, with the Trovelor's job options and
// adjustments; CreatePackage makes one host package of the whole book.
//
// Callers may rely on (besides what GIDCSPSaveAsAction promises):
// - A chapter that cannot be opened (30060021) or has no document (30060020) ends the export.
// - Chapters the font check opened are closed again; chapters the user had open stay open.
// - The session's PDF export preferences and the current book are as before once SaveAsPDF
//   returns, on every path.
// Main thread only, inside the export request's delivery.
#include "plugin-host/export/GIDCSPSaveAsAction.h"

class GIDCSPExportBookAction : public GIDCSPSaveAsAction {
public:
    GIDCSPExportBookAction() = default;

    bool SaveAsPDF(GCPTSaveAsProperties const& request, GPathName const& folder) override;
    bool CreatePackage(GPathName const& folder) override;
};
