#include "hostsdk/pdf/HostPdfPainter.h"

#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPen>

#include "hostsdk/documents/HostDocumentRecord.h"
#include "hostsdk/documents/HostPageRange.h"
#include "hostsdk/pdf/HostPdfLayout.h"

namespace {

constexpr double kTextSize = 12;
constexpr double kTextMargin = 36;
constexpr double kInfoSize = 6;

QString TextFamily(const HostDocumentRecord& document) {
    const QStringList installed = QFontDatabase().families();
    for (const HostFontRecord& font : document.fonts)
        if (!font.missing && installed.contains(QString::fromStdString(font.name), Qt::CaseInsensitive))
            return QString::fromStdString(font.name);
    return QStringLiteral("DejaVu Sans");
}

// The marks' start measured from the bleed's edges, so that bleed marks begin as far out as the
// crop marks do.
HostEdges BleedMarksStart(const HostPdfSheet& sheet) {
    const double left = sheet.trim.x - sheet.bleed.x;
    const double top = sheet.trim.y - sheet.bleed.y;
    const double right = sheet.bleed.width - sheet.trim.width - left;
    const double bottom = sheet.bleed.height - sheet.trim.height - top;
    const HostEdges& start = sheet.marksStart;
    return {start.top - top, start.bottom - bottom, start.inside - left, start.outside - right};
}

QFont Font(const QString& family, double size) {
    QFont font(family);
    font.setPointSizeF(size);
    return font;
}

}  // namespace

void HostPdfPainter::Draw(const HostPdfSheet& sheet, const std::string& date) {
    DrawPages(sheet);
    if (!mSettings.AnyMarks())
        return;
    const QPen pen(Qt::black, mSettings.marksWeight, Qt::SolidLine, Qt::FlatCap);
    mPainter.setPen(pen);
    mPainter.setBrush(Qt::NoBrush);
    if (mSettings.cropMarks)
        DrawCornerMarks(sheet.trim, sheet.marksStart);
    if (mSettings.bleedMarks)
        DrawCornerMarks(sheet.bleed, BleedMarksStart(sheet));
    if (mSettings.registrationMarks)
        DrawRegistrationMarks(sheet);
    if (mSettings.colorBars)
        DrawColorBars(sheet);
    if (mSettings.pageInformation)
        DrawPageInformation(sheet, date);
}

void HostPdfPainter::DrawPages(const HostPdfSheet& sheet) {
    const HostDocumentRecord& document = *sheet.document;
    // The font database is asked once for a document, not for each of its sheets.
    if (mTextFontOf != &document) {
        mTextFont = Font(TextFamily(document), kTextSize);
        mTextFontOf = &document;
    }
    // Setting the state the painter has already would still make it write that state again.
    if (mPainter.font() != mTextFont)
        mPainter.setFont(mTextFont);
    // One pen for the rectangles' outlines and the text.
    const QPen pen(Qt::black, 1);
    for (std::size_t i = 0; i < sheet.pages.size(); ++i) {
        const HostPageRecord& page = document.pages[static_cast<std::size_t>(sheet.pages[i])];
        const double left = sheet.trim.x + document.pageWidth * static_cast<double>(i);
        const double top = sheet.trim.y;
        mPainter.setPen(pen);
        if (page.hasRectangle) {
            mPainter.setBrush(QColor(150, 190, 230));
            mPainter.drawRect(QRectF(left + page.rectangle[0], top + page.rectangle[1], page.rectangle[2],
                                     page.rectangle[3]));
        }
        double baseline = top + kTextMargin + kTextSize;
        for (const std::string& line : page.text) {
            mPainter.drawText(QPointF(left + kTextMargin, baseline), QString::fromStdString(line));
            baseline += kTextSize * 1.4;
        }
    }
}

void HostPdfPainter::DrawCornerMarks(const HostPdfRect& box, const HostEdges& start) {
    const double length = HostPdfLayout::kMarkLength;
    const double x0 = box.x;
    const double x1 = box.x + box.width;
    const double y0 = box.y;
    const double y1 = box.y + box.height;
    for (double y : {y0, y1}) {
        mPainter.drawLine(QLineF(x0 - start.inside - length, y, x0 - start.inside, y));
        mPainter.drawLine(QLineF(x1 + start.outside, y, x1 + start.outside + length, y));
    }
    for (double x : {x0, x1}) {
        mPainter.drawLine(QLineF(x, y0 - start.top - length, x, y0 - start.top));
        mPainter.drawLine(QLineF(x, y1 + start.bottom, x, y1 + start.bottom + length));
    }
}

void HostPdfPainter::DrawRegistrationMarks(const HostPdfSheet& sheet) {
    const double half = HostPdfLayout::kMarkLength / 2;
    const HostPdfRect& trim = sheet.trim;
    const HostEdges& start = sheet.marksStart;
    const QPointF centres[] = {
        {trim.x + trim.width / 2, trim.y - start.top - half},
        {trim.x + trim.width / 2, trim.y + trim.height + start.bottom + half},
        {trim.x - start.inside - half, trim.y + trim.height / 2},
        {trim.x + trim.width + start.outside + half, trim.y + trim.height / 2},
    };
    for (const QPointF& centre : centres) {
        mPainter.drawEllipse(centre, half * 0.6, half * 0.6);
        mPainter.drawLine(QLineF(centre.x() - half, centre.y(), centre.x() + half, centre.y()));
        mPainter.drawLine(QLineF(centre.x(), centre.y() - half, centre.x(), centre.y() + half));
    }
}

void HostPdfPainter::DrawColorBars(const HostPdfSheet& sheet) {
    const double side = HostPdfLayout::kMarkLength / 2;
    const QColor colours[] = {QColor::fromCmykF(1, 0, 0, 0),   QColor::fromCmykF(0, 1, 0, 0),
                              QColor::fromCmykF(0, 0, 1, 0),   QColor::fromCmykF(0, 0, 0, 1),
                              QColor::fromCmykF(0, 1, 1, 0),   QColor::fromCmykF(1, 0, 1, 0),
                              QColor::fromCmykF(1, 1, 0, 0),   QColor::fromCmykF(0, 0, 0, 0.75),
                              QColor::fromCmykF(0, 0, 0, 0.5), QColor::fromCmykF(0, 0, 0, 0.25)};
    const double top = sheet.trim.y - sheet.marksStart.top - side;
    double left = sheet.trim.x + HostPdfLayout::kMarkLength;
    for (const QColor& colour : colours) {
        if (left + side > sheet.trim.x + sheet.trim.width)
            break;
        mPainter.fillRect(QRectF(left, top, side, side), colour);
        mPainter.drawRect(QRectF(left, top, side, side));
        left += side;
    }
}

void HostPdfPainter::DrawPageInformation(const HostPdfSheet& sheet, const std::string& date) {
    std::string pages;
    for (int page : sheet.pages)
        pages += (pages.empty() ? "" : ", ") + HostPageRange::PageName(page, sheet.document->sections);
    const std::string text = sheet.document->name + "  Page " + pages + "  " + date;
    mPainter.setFont(Font(QStringLiteral("DejaVu Sans"), kInfoSize));
    mPainter.setPen(Qt::black);
    mPainter.drawText(QPointF(sheet.trim.x + HostPdfLayout::kMarkLength,
                              sheet.trim.y + sheet.trim.height + sheet.marksStart.bottom + kInfoSize + 2),
                      QString::fromStdString(text));
}
