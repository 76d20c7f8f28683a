#include "hostsdk/documents/HostPageRange.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Trimmed(const std::string& text) {
    const std::string::size_type first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type at = text.find(separator, start);
        parts.push_back(Trimmed(text.substr(start, at == std::string::npos ? std::string::npos : at - start)));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

// A whole number of at most nine digits; -1 when the text is not one.
int Number(const std::string& text) {
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        }))
        return -1;
    return std::stoi(text);
}

// The section of each page, with the implicit first section when the first does not start at 1.
struct Numbering {
    Numbering(int pageCount, const std::vector<HostSectionRecord>& declared) {
        if (declared.empty() || declared.front().page > 1)
            sections.push_back(HostSectionRecord());
        sections.insert(sections.end(), declared.begin(), declared.end());
        for (int position = 0; position < pageCount; ++position) {
            std::size_t section = 0;
            while (section + 1 < sections.size() && sections[section + 1].page <= position + 1)
                ++section;
            sectionOf.push_back(section);
        }
    }

    int NumberOf(int position) const {
        const HostSectionRecord& section = sections[sectionOf[static_cast<std::size_t>(position)]];
        return section.start + position - (section.page - 1);
    }

    // The position of a page text; -1 when the document has no such page.
    int Find(const std::string& page) const {
        const int count = static_cast<int>(sectionOf.size());
        if (!page.empty() && page[0] == '+') {
            const int position = Number(page.substr(1));
            return position >= 1 && position <= count ? position - 1 : -1;
        }
        const std::string::size_type colon = page.find(':');
        const bool prefixed = colon != std::string::npos;
        const std::string prefix = prefixed ? page.substr(0, colon) : std::string();
        const int number = Number(prefixed ? page.substr(colon + 1) : page);
        if (number < 0)
            return -1;
        for (int position = 0; position < count; ++position) {
            const HostSectionRecord& section = sections[sectionOf[static_cast<std::size_t>(position)]];
            if ((!prefixed || section.prefix == prefix) && NumberOf(position) == number)
                return position;
        }
        return -1;
    }

    std::vector<HostSectionRecord> sections;
    std::vector<std::size_t> sectionOf;
};

}  // namespace

bool HostPageRange::Parse(const std::string& text, int pageCount, const std::vector<HostSectionRecord>& sections,
                          std::vector<int>& pages, std::string& error) {
    std::vector<int> selected;
    if (Trimmed(text).empty()) {
        pages = selected;
        return true;
    }
    const Numbering numbering(pageCount, sections);
    for (const std::string& item : Split(text, ',')) {
        const std::vector<std::string> ends = Split(item, '-');
        if (item.empty() || ends.size() > 2) {
            error = "\"" + item + "\" is not a page or a range of pages";
            return false;
        }
        const int first = numbering.Find(ends.front());
        const int last = numbering.Find(ends.back());
        if (first < 0 || last < 0) {
            error = "the document has no page \"" + (first < 0 ? ends.front() : ends.back()) + "\"";
            return false;
        }
        if (last < first) {
            error = "the range \"" + item + "\" runs backwards";
            return false;
        }
        for (int position = first; position <= last; ++position)
            if (std::find(selected.begin(), selected.end(), position) == selected.end())
                selected.push_back(position);
    }
    pages = selected;
    return true;
}

std::string HostPageRange::PageName(int position, const std::vector<HostSectionRecord>& sections) {
    const Numbering numbering(position + 1, sections);
    const HostSectionRecord& section = numbering.sections[numbering.sectionOf.back()];
    const std::string number = std::to_string(numbering.NumberOf(position));
    return section.prefix.empty() ? number : section.prefix + ":" + number;
}
