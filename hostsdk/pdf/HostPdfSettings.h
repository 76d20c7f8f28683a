#pragma once
// The PDF export settings of the stand-in host: what its export preferences hold, a job-options
// file sets, and its PDF writer honours. Lengths are points.
#include "hostsdk/documents/HostEdges.h"

struct HostPdfSettings {
    // True: the document's bleed; false: `bleed`.
    bool useDocumentBleed = false;
    HostEdges bleed;
    bool includeSlug = false;
    bool spreads = false;
    bool cropMarks = false;
    bool bleedMarks = false;
    bool registrationMarks = false;
    bool colorBars = false;
    bool pageInformation = false;
    // Distance of the marks from the trim edge (never inside the bleed), and their line width.
    double marksOffset = 6;
    double marksWeight = 0.25;

    bool AnyMarks() const { return cropMarks || bleedMarks || registrationMarks || colorBars || pageInformation; }
    bool operator==(const HostPdfSettings& other) const;
    bool operator!=(const HostPdfSettings& other) const { return !(*this == other); }
};
