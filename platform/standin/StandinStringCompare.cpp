#include "standin/StandinStringCompare.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>

namespace {

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

icu::UnicodeString Alias(char16_t const* text, std::size_t n) {
    static char16_t const empty[1] = {0};
    if (text == nullptr || n == 0)
        return icu::UnicodeString(false, empty, 0);
    return icu::UnicodeString(false, text, static_cast<int32_t>(n));
}

// One collator per option set and thread: ICU collators are not documented as safe for
// concurrent use, and making one from the root data is cheap.
icu::Collator const* CollatorFor(bool caseInsensitive, bool nonliteral) {
    thread_local std::array<std::unique_ptr<icu::Collator>, 4> collators;
    thread_local std::array<bool, 4> tried{};
    const std::size_t index = (caseInsensitive ? 1u : 0u) | (nonliteral ? 2u : 0u);
    if (tried[index])
        return collators[index].get();
    tried[index] = true;
    UErrorCode error = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale::getRoot(), error));
    if (U_FAILURE(error) || !collator)
        return nullptr;
    collator->setStrength(caseInsensitive ? icu::Collator::SECONDARY : icu::Collator::TERTIARY);
    collator->setAttribute(UCOL_NORMALIZATION_MODE, nonliteral ? UCOL_ON : UCOL_OFF, error);
    if (U_FAILURE(error))
        return nullptr;
    collators[index] = std::move(collator);
    return collators[index].get();
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
