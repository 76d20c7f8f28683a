#pragma once
// A book as its sample file describes it (HostDocumentFile).
#include <string>
#include <vector>

struct HostBookRecord {
    std::string name;
    std::string path;
    // The chapter documents' sample files, as absolute paths, in book order.
    std::vector<std::string> chapters;
    // Indices into `chapters` of the selected chapters, each once.
    std::vector<int> selection;
    // The book has changes not saved yet.
    bool modified = false;
};
