#pragma once
// Stands in for the user's "AppleLanguages" default: the user's preferred languages, most wanted
// first, as language tags ("de-DE", "ja", "zh-Hans").
//
// Read from the environment as the C library reads the message locale: the entries of
// `LANGUAGE` (a colon-separated list), then the locale of the first of `LC_ALL`, `LC_MESSAGES`
// and `LANG` that is set and not empty. A locale name loses its encoding and modifier
// ("de_DE.UTF-8@euro" is "de-DE"); "C" and "POSIX" name no language. Empty entries and repeats
// are left out, so the list may be empty. Read afresh on every call.
#include <string>
#include <vector>

class StandinUserLanguages {
public:
    static std::vector<std::string> GetAppleLanguages();

    // "de_DE.UTF-8" gives "de-DE"; "C", "POSIX" and an empty name give "".
    static std::string LocaleToLanguageTag(const std::string& locale);
};
