#include "hostsdk/pdf/HostPdfSettings.h"

bool HostPdfSettings::operator==(const HostPdfSettings& other) const {
    return useDocumentBleed == other.useDocumentBleed && bleed == other.bleed && includeSlug == other.includeSlug &&
           spreads == other.spreads && cropMarks == other.cropMarks && bleedMarks == other.bleedMarks &&
           registrationMarks == other.registrationMarks && colorBars == other.colorBars &&
           pageInformation == other.pageInformation && marksOffset == other.marksOffset &&
           marksWeight == other.marksWeight;
}
