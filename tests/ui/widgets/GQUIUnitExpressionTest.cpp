// The length expressions: their values under several default units, the input check, and the
// cost of long texts.
#include <gtest/gtest.h>

#include <string>

#include "services/units/GUnitSupport.h"
#include "ui/widgets/GQUIUnitExpression.h"

namespace {

constexpr double kInch = 72;
constexpr double kMM = 72 / 25.4;
constexpr double kCM = 72 / 2.54;

struct Case {
    char const* text;
    double points;
};

void ExpectValues(GUnitSupport::Unit unit, std::vector<Case> const& cases) {
    GQUIUnitExpression const expression;
    for (Case const& c : cases)
        EXPECT_NEAR(c.points, expression.Evaluate(QString::fromUtf8(c.text), unit), 1e-9)
            << "\"" << c.text << "\" in unit " << unit;
}

}  // namespace

TEST(UnitExpression, ValuesWithPointsAsTheDefaultUnit) {
    ExpectValues(GUnitSupport::kPoints,
                 {
                     {"10", 10},
                     {"12,5", 12.5},
                     {"12.5", 12.5},
                     {"1in + 2pt", 74},
                     {"10 * 2mm", 20 * kMM},
                     {"2mm * 3in", 6 * kMM},
                     {"5-3", 2},
                     {"5 -3", 2},
                     {"5 - 3", 2},
                     {"- 3", -3},
                     {"-3", -3},
                     {"10 / 0", 10},
                     {"10 / 4", 2.5},
                     {"1p6", 18},
                     {"1p 6pt", 18},
                     {"", 0},
                     {"   ", 0},
                     {"2 | 3", 2},
                     {"1PT + 1Mm", 1 + kMM},
                     {"2IN", 2 * kInch},
                     {"1ft", 864},
                     {"1m", 100 * kCM},
                     {"5 + pt 7", 5},
                     {".5in", 36},
                     {"3,", 3},
                     {"+", 0},
                     {"-", 0},
                     {".", 0},
                     {"2cm * 2 * 2", 8 * kCM},
                     {"10 / 2mm", 5 * kMM},
                     {"2mm / 2in", kMM},
                     {"- 1in + 2", -70},
                     {"1 - - 2", 3},
                     {"1+2+3+4+5+6+7+8+9+10", 55},
                     {"7 garbage", 7},
                 });
}

TEST(UnitExpression, ANumberWithoutASymbolIsInTheDefaultUnit) {
    ExpectValues(GUnitSupport::kMillimeters, {
                                                 {"10", 10 * kMM},
                                                 {"10 * 2mm", 20 * kMM},
                                                 {"1in + 2pt", 74},
                                                 {"1p6", 12 + 6 * kMM},
                                                 {"- 3", -3 * kMM},
                                                 {"2 * 3", 6 * kMM},
                                             });
    ExpectValues(GUnitSupport::kInches, {
                                            {"1", kInch},
                                            {"2 * 3", 6 * kInch},
                                            {"10 * 2mm", 20 * kMM},
                                            {"1in / 2", 36},
                                            {"0,5", 36},
                                        });
    ExpectValues(GUnitSupport::kPicas, {{"1p6", 12 + 72}, {"2", 24}, {"1,5", 18}});
}

TEST(UnitExpression, TheInputCheck) {
    GQUIUnitExpression const expression;
    struct Check {
        char const* text;
        QValidator::State state;
    };
    for (Check c : {Check{"", QValidator::Acceptable}, Check{"12,5 mm", QValidator::Acceptable},
                    Check{"1+1+1+1+1+1+1+1+1+1", QValidator::Acceptable},
                    Check{"1+1+1+1+1+1+1+1+1+1+1", QValidator::Invalid}, Check{"1 2 3 4 5 6 7 8 9 10", QValidator::Acceptable},
                    Check{"1 2 3 4 5 6 7 8 9 10 11", QValidator::Invalid}, Check{"2c", QValidator::Intermediate},
                    Check{"2 F", QValidator::Intermediate}, Check{"2i", QValidator::Intermediate},
                    Check{"2x", QValidator::Invalid}, Check{"2cmx", QValidator::Invalid}, Check{"1e5", QValidator::Invalid},
                    Check{"5 - 3", QValidator::Acceptable}, Check{"2 | 3", QValidator::Acceptable},
                    Check{"1p6", QValidator::Acceptable}, Check{"2mmm", QValidator::Acceptable},
                    Check{"1/2*3+4", QValidator::Acceptable}, Check{"1..2", QValidator::Acceptable},
                    Check{"ptptptptptptptptptptpt", QValidator::Invalid}}) {
        EXPECT_EQ(c.state, expression.Validate(QString::fromUtf8(c.text))) << c.text;
    }
}

TEST(UnitExpression, LongTextsAreReadInOnePass) {
    // A pattern of ten optional number terms backtracks without end on texts like these; the
    // reader takes each once (a regression shows as this case running into its timeout).
    GQUIUnitExpression const expression;
    QString const digits(1000000, QLatin1Char('7'));
    EXPECT_EQ(QValidator::Acceptable, expression.Validate(digits));
    EXPECT_EQ(QValidator::Invalid, expression.Validate(digits + "x"));
    EXPECT_GT(expression.Evaluate(digits, GUnitSupport::kPoints), 1e300);
    EXPECT_EQ(0.0, expression.Evaluate(QString(400, QLatin1Char('9')) + " * 0", GUnitSupport::kPoints))
        << "an overflow times 0 is not a number, and reads as 0";
    QString const spaced = QString(" 1").repeated(500000);
    EXPECT_EQ(QValidator::Invalid, expression.Validate(spaced));
    QString const signs = QString("-").repeated(1000000);
    EXPECT_EQ(QValidator::Invalid, expression.Validate(signs));
}

TEST(UnitExpression, NumbersReadAsTheirNumericPrefix) {
    struct Number {
        char const* text;
        double value;
    };
    for (Number n : {Number{"12", 12}, Number{"-12.5", -12.5}, Number{"+3", 3}, Number{".25", 0.25}, Number{"7.", 7},
                     Number{"-", 0}, Number{".", 0}, Number{"", 0}, Number{"0,5", 0.5}}) {
        QString const text = QString::fromUtf8(n.text);
        EXPECT_EQ(n.value, GQUIUnitExpression::NumberValue(text, 0, text.size())) << n.text;
    }
}
