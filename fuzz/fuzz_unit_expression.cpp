// The unit spin box's expressions: any text is read without a crash, in one pass, to a number;
// the input check agrees with the reader; short ASCII texts are checked against the regular
// expression the field's grammar comes from (QRegExpValidator), state for state.
#include <QtCore/QRegExp>
#include <QtGui/QRegExpValidator>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "support/FoundationStartup.h"
#include "ui/widgets/GQUIUnitExpression.h"

namespace {

QRegExpValidator const& Reference() {
    static QRegExpValidator const* const fValidator = [] {
        QString const term = "\\s*([+-]?[0-9]*[.,]?[0-9]*)\\s*(pt|p|in|cm|mm|m|ft)?\\s*";
        QString pattern;
        for (int i = 0; i < GQUIUnitExpression::kMaxTerms; ++i)
            pattern += "([+|-|*|/])?" + term;
        return new QRegExpValidator(QRegExp(pattern, Qt::CaseInsensitive, QRegExp::RegExp), nullptr);
    }();
    return *fValidator;
}

bool IsShortASCII(QString const& text) {
    if (text.size() > 12)
        return false;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    StartFoundation();
    static GQUIUnitExpression const fExpression;
    QString const text = QString::fromUtf8(reinterpret_cast<char const*>(data), static_cast<int>(size));
    QValidator::State const state = fExpression.Validate(text);
    GQUIUnitExpression::Parse const parse = fExpression.Read(text);
    if ((state == QValidator::Acceptable) != (parse.end == text.size()))
        std::abort();
    if (parse.count > GQUIUnitExpression::kMaxTerms || parse.end > text.size())
        std::abort();
    for (int unit = 0; unit < GQUIUnitExpression::kUnitCount; ++unit)
        if (std::isnan(fExpression.Evaluate(text, unit)))
            std::abort();
    if (IsShortASCII(text)) {
        QString copy = text;
        int pos = 0;
        if (Reference().validate(copy, pos) != state)
            std::abort();
    }
    return 0;
}
