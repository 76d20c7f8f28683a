#pragma once
// GLanguageInfo: what one string file tells about its language: its code and its name written
// in Roman and in Japanese script.
#include "core/text/GString.h"
#include "services/paths/GPathName.h"

class GLanguageInfo {
public:
    GLanguageInfo() = default;
    GLanguageInfo(GPathName const& path, GString const& languageID, GString const& nameRomanScript,
                  GString const& nameJapaneseScript)
        : mPath(path), mLanguageID(languageID), mNameRoman(nameRomanScript), mNameJapanese(nameJapaneseScript) {}

    GPathName const& GetPathName() const { return mPath; }
    GString const& GetLanguageID() const { return mLanguageID; }
    GString const& GetLanguageNameRomanScript() const { return mNameRoman; }
    GString const& GetLanguageNameJapaneseScript() const { return mNameJapanese; }

private:
    GPathName mPath;
    GString mLanguageID;
    GString mNameRoman;
    GString mNameJapanese;
};
