#include "standin/StandinStringCompare.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "standin/StandinUserLanguages.h"

namespace {

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

icu::UnicodeString Alias(char16_t const* text, std::size_t n) {
    static char16_t const empty[1] = {0};
    if (text == nullptr || n == 0)
        return icu::UnicodeString(false, empty, 0);
    return icu::UnicodeString(false, text, static_cast<int32_t>(n));
}

std::string FirstUserLanguage() {
    std::vector<std::string> languages = StandinUserLanguages::GetAppleLanguages();
    return languages.empty() ? std::string() : std::move(languages.front());
}

// The root locale for no language and for a tag ICU cannot read; a language ICU has no tailoring
// for gets the root order from ICU itself, never the default locale's.
icu::Locale CollationLocale(std::string const& language) {
    if (language.empty())
        return icu::Locale::getRoot();
    UErrorCode error = U_ZERO_ERROR;
    icu::Locale locale = icu::Locale::forLanguageTag(language, error);
    if (U_FAILURE(error) || locale.isBogus())
        return icu::Locale::getRoot();
    return locale;
}

// One thread's collators for one language, one per option set. A collator is not safe for use by
// two threads at once, so each thread has its own; ICU shares the loaded tailoring between them,
// which makes another one cheap. They are remade when the user's first language changes.
class ThreadCollators {
public:
    icu::Collator const* Get(std::string const& language, bool caseInsensitive, bool nonliteral) {
        if (language != mLanguage) {
            mLanguage = language;
            mCollators = {};
            mTried = {};
        }
        const std::size_t index = (caseInsensitive ? 1u : 0u) | (nonliteral ? 2u : 0u);
        if (!mTried[index]) {
            mTried[index] = true;
            mCollators[index] = Make(caseInsensitive, nonliteral);
        }
        return mCollators[index].get();
    }

private:
    std::unique_ptr<icu::Collator> Make(bool caseInsensitive, bool nonliteral) const {
        UErrorCode error = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(CollationLocale(mLanguage), error));
        if (U_FAILURE(error) || !collator)
            return nullptr;
        collator->setStrength(caseInsensitive ? icu::Collator::SECONDARY : icu::Collator::TERTIARY);
        collator->setAttribute(UCOL_NORMALIZATION_MODE, nonliteral ? UCOL_ON : UCOL_OFF, error);
        if (U_FAILURE(error))
            return nullptr;
        return collator;
    }

    std::string mLanguage;
    std::array<std::unique_ptr<icu::Collator>, 4> mCollators;
    std::array<bool, 4> mTried{};
};

icu::Collator const* CollatorFor(bool caseInsensitive, bool nonliteral) {
    thread_local ThreadCollators collators;
    return collators.Get(FirstUserLanguage(), caseInsensitive, nonliteral);
}

int CompareLiterally(icu::UnicodeString a, icu::UnicodeString b, bool caseInsensitive, bool nonliteral) {
    if (nonliteral) {
        UErrorCode error = U_ZERO_ERROR;
        icu::Normalizer2 const* nfd = icu::Normalizer2::getNFDInstance(error);
        if (U_SUCCESS(error)) {
            a = nfd->normalize(a, error);
            b = nfd->normalize(b, error);
        }
    }
    if (caseInsensitive) {
        a.foldCase();
        b.foldCase();
    }
    return Sign(a.compare(b));
}

} // namespace

int StandinStringCompare::Compare(char16_t const* a, std::size_t na, char16_t const* b, std::size_t nb,
                                  unsigned options) {
    const bool caseInsensitive = (options & kCompareCaseInsensitive) != 0;
    const bool nonliteral = (options & kCompareNonliteral) != 0;
    icu::UnicodeString const left = Alias(a, na);
    icu::UnicodeString const right = Alias(b, nb);
    if ((options & kCompareLocalized) != 0) {
        if (icu::Collator const* collator = CollatorFor(caseInsensitive, nonliteral)) {
            UErrorCode error = U_ZERO_ERROR;
            const UCollationResult result = collator->compare(left, right, error);
            if (U_SUCCESS(error))
                return Sign(static_cast<int>(result));
        }
    }
    return CompareLiterally(left, right, caseInsensitive, nonliteral);
}
