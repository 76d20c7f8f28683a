#pragma once
// A section of a sample document: from page `page` (position from 1) on, pages are numbered
// from `start` and named with `prefix` ("A:3").
#include <string>

struct HostSectionRecord {
    int page = 1;
    std::string prefix;
    int start = 1;
};
