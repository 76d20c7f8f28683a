// Length expressions as the unit spin box gets them: each text is read and evaluated afresh, ours
// (GQUIUnitExpression, units written after the numbers) against muParser on the same arithmetic
// with the unit factors as variables ("12.5*mm + 3*in"), parsed and evaluated per call.
#include <benchmark/benchmark.h>

#include <QString>

#include <muParser.h>

#include <string>
#include <vector>

#include "BenchRatio.h"
#include "services/units/GUnitSupport.h"
#include "support/FoundationStartup.h"
#include "ui/widgets/GQUIUnitExpression.h"

namespace {

struct Expression {
    char const* ours;
    char const* muparser;
};

// The same values both ways; a minus before a spaced term subtracts it, as in muParser.
std::vector<Expression> const cExpressions = {
    {"12.5mm + 3in - 2p + 10pt", "12.5*mm + 3*in - 2*p + 10*pt"},
    {"2in * 3 / 4", "2*in*3/4"},
    {"1ft + 6in + 0.5cm", "1*ft + 6*in + 0.5*cm"},
    {"72", "72*pt"},
    {"1m - 25cm - 3mm + 1.25in", "1*m - 25*cm - 3*mm + 1.25*in"},
};

// muParser with the unit symbols as variables holding their factors.
class UnitParser {
public:
    UnitParser() {
        char const* const names[] = {"pt", "p", "in", "cm", "mm", "m", "ft"};
        for (int code = 0; code < GUnitSupport::kUnitCount; ++code) {
            mFactors[code] = GUnitSupport::GetFactorForUnitCode(static_cast<GUnitSupport::Unit>(code));
            mParser.DefineVar(names[code], &mFactors[code]);
        }
    }
    double Evaluate(char const* text) {
        mParser.SetExpr(text);
        return mParser.Eval();
    }

private:
    mu::Parser mParser;
    double mFactors[GUnitSupport::kUnitCount];
};

void EvaluateOurs(benchmark::State& state) {
    StartFoundation();
    GQUIUnitExpression const expression;
    std::vector<QString> texts;
    for (Expression const& e : cExpressions)
        texts.push_back(QString::fromLatin1(e.ours));
    double sum = 0;
    for (auto _ : state) {
        for (QString const& text : texts)
            sum += expression.Evaluate(text, GUnitSupport::kPoints);
        benchmark::DoNotOptimize(sum);
    }
}

void EvaluateMuParser(benchmark::State& state) {
    StartFoundation();
    UnitParser parser;
    double sum = 0;
    for (auto _ : state) {
        for (Expression const& e : cExpressions)
            sum += parser.Evaluate(e.muparser);
        benchmark::DoNotOptimize(sum);
    }
}

// Both sides must agree, or the comparison is of different work.
bool SameValues() {
    StartFoundation();
    GQUIUnitExpression const expression;
    UnitParser parser;
    for (Expression const& e : cExpressions) {
        double const ours = expression.Evaluate(QString::fromLatin1(e.ours), GUnitSupport::kPoints);
        double const theirs = parser.Evaluate(e.muparser);
        if (ours - theirs > 1e-9 || theirs - ours > 1e-9) {
            std::fprintf(stderr, "UnitExpression: \"%s\" gives %f, muParser %f\n", e.ours, ours, theirs);
            return false;
        }
    }
    return true;
}

bool const cChecked = SameValues();

}  // namespace

BENCHMARK(EvaluateOurs)->Name(TROVEL_BENCH_NAME("UnitExpression5", "ours"))->Unit(benchmark::kMicrosecond);
BENCHMARK(EvaluateMuParser)->Name(TROVEL_BENCH_NAME("UnitExpression5", "muparser"))->Unit(benchmark::kMicrosecond);
