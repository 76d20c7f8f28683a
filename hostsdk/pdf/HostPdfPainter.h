#pragma once
// Draws one sheet with a QPainter whose units are points from the sheet's top left: the pages'
// text lines (in a real font of the system, DejaVu unless the document names a font that is
// installed) and rectangles, then the printer's marks that the settings ask for in the margin
// outside the trim: crop marks at the trim's corners, bleed marks at the bleed's corners,
// registration targets at the middle of each side, colour bars above and the page information
// (document, page names, date) below, each beginning at the marks' start and drawn at the mark
// weight.
#include <QFont>

#include <string>

#include "hostsdk/pdf/HostPdfSettings.h"
#include "hostsdk/pdf/HostPdfSheet.h"

class QPainter;

class HostPdfPainter {
public:
    HostPdfPainter(QPainter& painter, const HostPdfSettings& settings) : mPainter(painter), mSettings(settings) {}

    void Draw(const HostPdfSheet& sheet, const std::string& date);

private:
    void DrawPages(const HostPdfSheet& sheet);
    void DrawCornerMarks(const HostPdfRect& box, const HostEdges& start);
    void DrawRegistrationMarks(const HostPdfSheet& sheet);
    void DrawColorBars(const HostPdfSheet& sheet);
    void DrawPageInformation(const HostPdfSheet& sheet, const std::string& date);

    QPainter& mPainter;
    const HostPdfSettings& mSettings;
    // The pages' font, and the document it was chosen for.
    const HostDocumentRecord* mTextFontOf = nullptr;
    QFont mTextFont;
};
