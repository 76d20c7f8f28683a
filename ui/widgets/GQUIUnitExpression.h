#pragma once
// GQUIUnitExpression: the length expressions of the unit spin box. A text is up to ten terms, each
// an optional operator ("+", "*", "/" or "|"), a signed number with "." or "," as decimal point and
// an optional unit symbol (pt, p, in, cm, mm, m, ft, any case), with blanks anywhere between.
// Terms are evaluated from left to right into points; a number without a symbol is in the default
// unit.
//
// Callers may rely on:
// - Validate and Evaluate read the text once, left to right, each term taking as much as it can:
//   linear in the text, whatever it holds.
// - Validate: Acceptable when the whole text is such terms; Intermediate when what is left is the
//   start of a unit symbol ("c", "f", "i"); Invalid otherwise (an eleventh term, a foreign sign).
// - Evaluate never fails: text it cannot read counts from its first unreadable character on as
//   absent; an empty text, or one whose first number is empty, gives 0; a division by 0 is
//   skipped; a result that is not a number (an overflowed number times 0) gives 0.
// - The unit factors are those of GUnitSupport; the default unit is read once per evaluation.
#include <QtCore/QString>
#include <QtGui/QValidator>

#include <array>

class GQUIUnitExpression {
public:
    static constexpr int kMaxTerms = 10;
    static constexpr int kUnitCount = 7;

    // One term's texts as the user wrote them; the unit is lower-cased, empty when absent.
    struct Term {
        QChar op;  // null when absent
        int numberStart = 0;
        int numberLength = 0;
        int unit = -1;  // unit code, -1 when absent
    };
    struct Parse {
        std::array<Term, kMaxTerms> terms;
        int count = 0;     // terms that consumed text
        int end = 0;       // where reading stopped
        bool unitPrefixLeft = false;
    };

    GQUIUnitExpression();

    QValidator::State Validate(QString const& text) const;
    double Evaluate(QString const& text) const;
    // The same with the default unit's code given.
    double Evaluate(QString const& text, int defaultUnit) const;
    Parse Read(QString const& text) const;

    // The value of a number text as GString::GetReal reads it: its numeric prefix, 0 without one.
    static double NumberValue(QString const& text, int start, int length);

private:
    // The longest unit symbol at pos; its code, or -1. Sets prefix when the rest of the text is
    // only the start of a symbol.
    int ReadUnit(QString const& text, int& pos, bool& prefix) const;

    std::array<QString, kUnitCount> mSymbols;
    std::array<double, kUnitCount> mFactors;
};
