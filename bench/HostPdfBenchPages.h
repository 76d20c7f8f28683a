#pragma once
// What the PDF export benchmarks share: a document of pages with text lines and a rectangle, the
// offscreen Qt application they are drawn under, and the peer: the same pages drawn by QPdfWriter
// alone into the file, without boxes, in DejaVu Sans.
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <string>

#include "hostsdk/documents/HostDocumentRecord.h"

namespace benchpdf {

inline QGuiApplication& Application() {
    static int fCount = 3;
    static char fName[] = "trovel_bench";
    static char fPlatform[] = "-platform";
    static char fOffscreen[] = "offscreen";
    static char* fArguments[] = {fName, fPlatform, fOffscreen, nullptr};
    static QGuiApplication fApplication(fCount, fArguments);
    return fApplication;
}

inline HostDocumentRecord Document(int pages) {
    HostDocumentRecord document;
    document.name = "Bench.indd";
    document.pages.clear();
    for (int i = 0; i < pages; ++i) {
        HostPageRecord page;
        page.text = {"Page " + std::to_string(i + 1), "A line of text on the page", "And a third one"};
        page.hasRectangle = true;
        page.rectangle[0] = 36;
        page.rectangle[1] = 120;
        page.rectangle[2] = 200;
        page.rectangle[3] = 100;
        document.pages.push_back(page);
    }
    document.fonts.push_back({"DejaVu Sans", false});
    return document;
}

inline void PeerWrite(const HostDocumentRecord& document, const std::string& pdf) {
    QPdfWriter writer(QString::fromStdString(pdf));
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    writer.setPageSize(QPageSize(QSizeF(document.pageWidth, document.pageHeight), QPageSize::Point, QString(),
                                 QPageSize::ExactMatch));
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(12);
    painter.setFont(font);
    for (std::size_t i = 0; i < document.pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        const HostPageRecord& page = document.pages[i];
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(QColor(150, 190, 230));
        painter.drawRect(QRectF(page.rectangle[0], page.rectangle[1], page.rectangle[2], page.rectangle[3]));
        double baseline = 48;
        for (const std::string& line : page.text) {
            painter.drawText(QPointF(36, baseline), QString::fromStdString(line));
            baseline += 16.8;
        }
    }
}

}  // namespace benchpdf
