#include "standin/StandinUserLanguages.h"

#include <algorithm>
#include <cstdlib>

namespace {

std::string GetEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

void AddTag(std::vector<std::string>& list, const std::string& locale) {
    std::string tag = StandinUserLanguages::LocaleToLanguageTag(locale);
    if (tag.empty() || std::find(list.begin(), list.end(), tag) != list.end())
        return;
    list.push_back(std::move(tag));
}

std::string MessageLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string value = GetEnv(name);
        if (!value.empty())
            return value;
    }
    return std::string();
}

}  // namespace

std::string StandinUserLanguages::LocaleToLanguageTag(const std::string& locale) {
    std::string tag = locale.substr(0, locale.find_first_of(".@"));
    if (tag == "C" || tag == "POSIX")
        return std::string();
    std::replace(tag.begin(), tag.end(), '_', '-');
    return tag;
}

std::vector<std::string> StandinUserLanguages::GetAppleLanguages() {
    std::vector<std::string> list;
    const std::string languages = GetEnv("LANGUAGE");
    std::string::size_type start = 0;
    while (start <= languages.size()) {
        std::string::size_type end = languages.find(':', start);
        if (end == std::string::npos)
            end = languages.size();
        AddTag(list, languages.substr(start, end - start));
        start = end + 1;
    }
    AddTag(list, MessageLocale());
    return list;
}
