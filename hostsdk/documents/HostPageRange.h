#pragma once
// The host's page-range texts. A range is a list of items separated by ",": a page or two
// pages joined by "-" (every page from the first to the second, in document order). A page is
//   "+N"      the Nth page of the document (position, from 1);
//   "P:N"     the page numbered N in the section with prefix P ("A:3"; ":3" for no prefix);
//   "N"       the first page, in document order, numbered N in any section.
// Blanks around items and pages are allowed. Pages come out in the order the items name them,
// each once (a page named again stays at its first place). A text of blanks only selects no page.
// Anything else fails: a malformed item, a page the document does not have, or a range whose
// second page comes before its first.
#include <string>
#include <vector>

#include "hostsdk/documents/HostSectionRecord.h"

class HostPageRange {
public:
    // `pageCount` pages in `sections` (as a document record has them). True with the positions
    // (from 0) of the selected pages in `pages`; false with `error` set and `pages` untouched.
    static bool Parse(const std::string& text, int pageCount, const std::vector<HostSectionRecord>& sections,
                      std::vector<int>& pages, std::string& error);
    // The name of the page at `position` (from 0): its number, after "P:" when its section has
    // a prefix.
    static std::string PageName(int position, const std::vector<HostSectionRecord>& sections);
};
