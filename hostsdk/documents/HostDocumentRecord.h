#pragma once
// A document as its sample file describes it (HostDocumentFile).
#include <string>

struct HostDocumentRecord {
    std::string name;
    // False for a document never saved to a file (untitled); it then has no path.
    bool saved = false;
    std::string path;
};
