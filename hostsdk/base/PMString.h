#pragma once
// The host's string: UTF-16 code units, as the host keeps them, with a flag that says whether the
// host may translate the text. Text given as bytes is read as UTF-8; a malformed sequence becomes
// U+FFFD.
#include <string>

class PMString {
public:
    PMString() = default;
    PMString(const char* utf8);  // NOLINT: host strings are made from literals everywhere
    explicit PMString(const std::string& utf8);
    explicit PMString(std::u16string units) : mUnits(std::move(units)) {}

    const std::u16string& UTF16() const { return mUnits; }
    std::string GetUTF8String() const;
    int CharCount() const { return static_cast<int>(mUnits.size()); }
    bool IsEmpty() const { return mUnits.empty(); }

    void SetTranslatable(bool translatable) { mTranslatable = translatable; }
    bool GetTranslatable() const { return mTranslatable; }

    bool operator==(const PMString& other) const { return mUnits == other.mUnits; }
    bool operator!=(const PMString& other) const { return mUnits != other.mUnits; }

private:
    std::u16string mUnits;
    bool mTranslatable = true;
};
