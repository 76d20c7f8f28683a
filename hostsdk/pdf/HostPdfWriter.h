#pragma once
// Writes the stand-in host's PDFs: sheets drawn with QPdfWriter (HostPdfPainter) in memory, then
// their boxes set with libqpdf (HostPdfBoxes) in an update appended to them. The PDF is written
// under a temporary name beside the target and renamed onto it only once it is whole: a failure
// at any step (the folder, a page, the boxes) leaves no file of the target's name and no
// temporary file behind.
//
// Drawing needs a QGuiApplication: when the process has none, one is made for the time of the
// writing (on the "offscreen" platform unless QT_QPA_PLATFORM names another); a process whose
// Qt application is a QCoreApplication only cannot draw. Each page is a host call
// "HostPdfWriter::DrawPage" (with the page number) that failure injection can make fail.
#include <string>
#include <vector>

#include "hostsdk/pdf/HostPdfSettings.h"
#include "hostsdk/pdf/HostPdfSheet.h"

class HostPdfWriter {
public:
    // `title` goes into the PDF's information.
    static bool Write(const std::string& file, const std::string& title, const std::vector<HostPdfSheet>& sheets,
                      const HostPdfSettings& settings, std::string& error);
};
