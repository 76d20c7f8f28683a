#pragma once
// A document as its sample file describes it (HostDocumentFile).
#include <string>
#include <vector>

#include "hostsdk/documents/HostEdges.h"
#include "hostsdk/documents/HostFontRecord.h"
#include "hostsdk/documents/HostPageRecord.h"
#include "hostsdk/documents/HostSectionRecord.h"

struct HostDocumentRecord {
    std::string name;
    // False for a document never saved to a file (untitled); it then has no path.
    bool saved = false;
    std::string path;
    // A saved document whose changes since its last save are not in its file yet; saving clears it.
    bool modified = false;
    // Page size in points (US Letter unless given).
    double pageWidth = 612;
    double pageHeight = 792;
    HostEdges bleed;
    HostEdges slug;
    std::vector<HostPageRecord> pages{HostPageRecord()};
    // In page order; the pages before the first one form a section without prefix, from 1.
    std::vector<HostSectionRecord> sections;
    std::vector<HostFontRecord> fonts;
};
