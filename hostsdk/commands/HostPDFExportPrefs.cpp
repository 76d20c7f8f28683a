#include "hostsdk/commands/HostPDFExportPrefs.h"

#include <cmath>
#include <sstream>

#include "hostsdk/pdf/HostJobOptions.h"
#include "hostsdk/trace/HostCallLog.h"
#include "hostsdk/trace/HostText.h"

namespace {

std::string Number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

}  // namespace

ErrorCode HostPDFExportPrefs::ReadJobOptions(const IDFile& file) {
    if (HostCallLog::Enter("IPDFExportPrefs::ReadJobOptions", HostQuote(file.GetString())))
        return kFailure;
    std::string error;
    if (!HostJobOptions::Read(file.GetString().GetUTF8String(), mSettings, error)) {
        HostCallLog::Notice("job options not read: " + error);
        return kFailure;
    }
    return kSuccess;
}

void HostPDFExportPrefs::SetFlag(const char* name, bool HostPdfSettings::*member, bool16 value) {
    if (HostCallLog::Enter(std::string("IPDFExportPrefs::") + name, std::to_string(value)))
        return;
    mSettings.*member = value != 0;
}

void HostPDFExportPrefs::SetLength(const char* name, double& member, PMReal value, double maximum) {
    const std::string call = std::string("IPDFExportPrefs::") + name;
    if (HostCallLog::Enter(call, Number(value)))
        return;
    if (!std::isfinite(value) || value < 0 || value > maximum) {
        HostCallLog::Violation(call + " " + Number(value) + " outside 0 to " + Number(maximum));
        return;
    }
    member = value;
}

void HostPDFExportPrefs::SetUseDocumentBleed(bool16 use) {
    SetFlag("SetUseDocumentBleed", &HostPdfSettings::useDocumentBleed, use);
}
void HostPDFExportPrefs::SetBleedTop(PMReal points) { SetLength("SetBleedTop", mSettings.bleed.top, points, 432); }
void HostPDFExportPrefs::SetBleedInside(PMReal points) {
    SetLength("SetBleedInside", mSettings.bleed.inside, points, 432);
}
void HostPDFExportPrefs::SetBleedOutside(PMReal points) {
    SetLength("SetBleedOutside", mSettings.bleed.outside, points, 432);
}
void HostPDFExportPrefs::SetBleedBottom(PMReal points) {
    SetLength("SetBleedBottom", mSettings.bleed.bottom, points, 432);
}
void HostPDFExportPrefs::SetIncludeSlug(bool16 include) {
    SetFlag("SetIncludeSlug", &HostPdfSettings::includeSlug, include);
}
void HostPDFExportPrefs::SetSpreads(bool16 spreads) { SetFlag("SetSpreads", &HostPdfSettings::spreads, spreads); }
void HostPDFExportPrefs::SetCropMarks(bool16 marks) { SetFlag("SetCropMarks", &HostPdfSettings::cropMarks, marks); }
void HostPDFExportPrefs::SetBleedMarks(bool16 marks) { SetFlag("SetBleedMarks", &HostPdfSettings::bleedMarks, marks); }
void HostPDFExportPrefs::SetRegistrationMarks(bool16 marks) {
    SetFlag("SetRegistrationMarks", &HostPdfSettings::registrationMarks, marks);
}
void HostPDFExportPrefs::SetColorBars(bool16 bars) { SetFlag("SetColorBars", &HostPdfSettings::colorBars, bars); }
void HostPDFExportPrefs::SetPageInformation(bool16 information) {
    SetFlag("SetPageInformation", &HostPdfSettings::pageInformation, information);
}
void HostPDFExportPrefs::SetMarksOffset(PMReal points) {
    SetLength("SetMarksOffset", mSettings.marksOffset, points, 72);
}

void HostPDFExportPrefs::SetMarksWeight(PMReal points) {
    // A weight of 0 draws nothing: not a weight.
    if (points == 0) {
        if (!HostCallLog::Enter("IPDFExportPrefs::SetMarksWeight", "0"))
            HostCallLog::Violation("IPDFExportPrefs::SetMarksWeight 0");
        return;
    }
    SetLength("SetMarksWeight", mSettings.marksWeight, points, 10);
}

std::int32_t HostPDFExportPrefs::GetSpreads() const {
    if (HostCallLog::Enter("IPDFExportPrefs::GetSpreads"))
        return 0;
    return mSettings.spreads ? 1 : 0;
}
