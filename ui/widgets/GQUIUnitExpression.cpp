#include "ui/widgets/GQUIUnitExpression.h"

#include <charconv>
#include <cmath>

#include "plugin/qtstrings/GQStringSupport.h"
#include "services/units/GUnitSupport.h"

namespace {

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool IsOperator(QChar c) {
    return c == QLatin1Char('+') || c == QLatin1Char('|') || c == QLatin1Char('*') || c == QLatin1Char('/');
}

void SkipSpace(QString const& text, int& pos) {
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
}

}  // namespace

GQUIUnitExpression::GQUIUnitExpression() {
    for (int code = 0; code < kUnitCount; ++code) {
        auto const unit = static_cast<GUnitSupport::Unit>(code);
        mSymbols[code] = GQStringSupport::ToQString(GUnitSupport::GetSymbolForUnitCode(unit)).toLower();
        mFactors[code] = GUnitSupport::GetFactorForUnitCode(unit);
    }
}

int GQUIUnitExpression::ReadUnit(QString const& text, int& pos, bool& prefix) const {
    int best = -1;
    int bestLength = 0;
    for (int code = 0; code < kUnitCount; ++code) {
        QString const& symbol = mSymbols[code];
        int matched = 0;
        while (matched < symbol.size() && pos + matched < text.size() &&
               text.at(pos + matched).toLower() == symbol.at(matched))
            ++matched;
        if (matched == symbol.size() && matched > bestLength) {
            best = code;
            bestLength = matched;
        } else if (matched > 0 && matched < symbol.size() && pos + matched == text.size()) {
            prefix = true;
        }
    }
    pos += bestLength;
    return best;
}

GQUIUnitExpression::Parse GQUIUnitExpression::Read(QString const& text) const {
    Parse parse;
    int pos = 0;
    for (int k = 0; k < kMaxTerms && pos < text.size(); ++k) {
        int const start = pos;
        Term& term = parse.terms[k];
        if (IsOperator(text.at(pos)))
            term.op = text.at(pos++);
        SkipSpace(text, pos);
        term.numberStart = pos;
        if (pos < text.size() && (text.at(pos) == QLatin1Char('+') || text.at(pos) == QLatin1Char('-')))
            ++pos;
        while (pos < text.size() && IsDigit(text.at(pos)))
            ++pos;
        if (pos < text.size() && (text.at(pos) == QLatin1Char('.') || text.at(pos) == QLatin1Char(',')))
            ++pos;
        while (pos < text.size() && IsDigit(text.at(pos)))
            ++pos;
        term.numberLength = pos - term.numberStart;
        SkipSpace(text, pos);
        bool prefix = false;
        term.unit = ReadUnit(text, pos, prefix);
        SkipSpace(text, pos);
        if (pos == start) {
            parse.unitPrefixLeft = prefix;
            break;
        }
        parse.count = k + 1;
        parse.unitPrefixLeft = prefix && term.unit < 0;
    }
    parse.end = pos;
    return parse;
}

QValidator::State GQUIUnitExpression::Validate(QString const& text) const {
    Parse const parse = Read(text);
    if (parse.end == text.size())
        return QValidator::Acceptable;
    if (parse.unitPrefixLeft)
        return QValidator::Intermediate;
    return QValidator::Invalid;
}

double GQUIUnitExpression::NumberValue(QString const& text, int start, int length) {
    char digits[64];
    int n = 0;
    bool negative = false;
    int i = start;
    int const end = start + length;
    if (i < end && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        negative = text.at(i++) == QLatin1Char('-');
    // Digits beyond what a double holds only round; the count is kept so the magnitude stays.
    int integerDigits = 0;
    for (; i < end && IsDigit(text.at(i)); ++i, ++integerDigits)
        if (n < 40)
            digits[n++] = static_cast<char>(text.at(i).unicode());
    int const scale = integerDigits - (n < integerDigits ? n : integerDigits);
    if (i < end && scale == 0 && n < 41) {
        digits[n++] = '.';
        for (++i; i < end && n < 60; ++i)
            digits[n++] = static_cast<char>(text.at(i).unicode());
    }
    double value = 0;
    if (n > 0)
        std::from_chars(digits, digits + n, value, std::chars_format::fixed);
    if (scale > 0)
        value *= std::pow(10.0, scale);
    return negative ? -value : value;
}

double GQUIUnitExpression::Evaluate(QString const& text) const {
    return Evaluate(text, GUnitSupport::GetDefaultUnitCode());
}

double GQUIUnitExpression::Evaluate(QString const& text, int defaultUnit) const {
    Parse const parse = Read(text);
    double const defaultFactor = mFactors[defaultUnit];
    double v = 0;
    int firstUnit = -1;
    bool converted = false;
    for (int k = 0; k < parse.count; ++k) {
        Term const& term = parse.terms[k];
        if (term.numberLength == 0)
            break;
        double const n = NumberValue(text, term.numberStart, term.numberLength);
        double const factor = term.unit < 0 ? defaultFactor : mFactors[term.unit];
        if (firstUnit < 0 && term.unit >= 0)
            firstUnit = term.unit;
        bool const loneMinus = term.op.isNull() && term.numberLength == 1 && text.at(term.numberStart) == QLatin1Char('-');
        if (loneMinus) {
            // The next term is negated in place; its operator and symbol's claim to be first do not count.
            if (++k >= parse.count)
                break;
            Term const& negated = parse.terms[k];
            if (negated.numberLength == 0)
                continue;
            double const m = NumberValue(text, negated.numberStart, negated.numberLength);
            v -= m * (negated.unit < 0 ? defaultFactor : mFactors[negated.unit]);
            converted = converted || firstUnit >= 0;
            continue;
        }
        ushort const op = term.op.unicode();
        if (op == 0 || op == '+') {
            v += n * factor;
            converted = converted || firstUnit >= 0;
        } else if (op == '*') {
            if (converted || firstUnit < 0) {
                v *= n;
            } else {
                v = v / defaultFactor * n * factor;
                converted = true;
            }
        } else if (op == '/' && n != 0) {
            if (converted || firstUnit < 0) {
                v /= n;
            } else {
                v = v / defaultFactor / n * factor;
                converted = true;
            }
        }
    }
    // An overflowed number times 0 gives NaN, which the spin box would bound to its minimum.
    return std::isnan(v) ? 0.0 : v;
}
