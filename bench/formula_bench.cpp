// Setting formulas as the template import evaluates them: parsed from their
// text every time.  muParser parses and evaluates the same expressions in its
// own syntax, the expression set anew each time, as the yardstick.
#include <benchmark/benchmark.h>

#include <muParser.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/helpers.h"
#include "formula/formula_parser.h"

namespace {

struct Case {
    const char16_t* ours;
    const char* mu;
};

// Reaches, angles and widths of typical distance characteristics.
const Case kCases[] = {
    {u"ZZD_MAG", "ZZD_MAG"},
    {u"ZZD_ANG+ANGSHIFT", "ZZD_ANG+ANGSHIFT"},
    {u"ZZD_MAG*COS(RAD(ZZD_ANG))", "ZZD_MAG*cos(rad(ZZD_ANG))"},
    {u"ZZD_MAG*SIN(RAD(ZZD_ANG))", "ZZD_MAG*sin(rad(ZZD_ANG))"},
    {u"ZZD_MAG*0.5*COS(RAD(ZZD_ANG+ANGSHIFT))", "ZZD_MAG*0.5*cos(rad(ZZD_ANG+ANGSHIFT))"},
    {u"-0.25*ZZD_MAG*SIN(RAD(ZZD_ANG))", "-0.25*ZZD_MAG*sin(rad(ZZD_ANG))"},
    {u"RZD+XZD/TAN(RAD(ZZD_ANG))", "RZD+XZD/tan(rad(ZZD_ANG))"},
    {u"MAX(RZD,1)*2", "max(RZD,1)*2"},
    {u"MIN(XZD*0.2,(RZD/2))", "min(XZD*0.2,RZD/2)"},
    {u"SQR(RZD^2+XZD^2)", "sqrt(RZD^2+XZD^2)"},
    {u"DEG(ARCTAN(XZD/RZD))", "deg(atan(XZD/RZD))"},
    {u"((ZZD_MAG+RZD)*(1+0.1))/(2*COS(RAD((ZZD_ANG-30)/2)))",
     "((ZZD_MAG+RZD)*(1+0.1))/(2*cos(rad((ZZD_ANG-30)/2)))"},
    {u"ZZD_MAG/2*COS(RAD(ZZD_ANG))-XZD*SIN(RAD(ANGSHIFT))",
     "ZZD_MAG/2*cos(rad(ZZD_ANG))-XZD*sin(rad(ANGSHIFT))"},
    {u"ABS(XZD)*1.2+PI/180", "abs(XZD)*1.2+_pi/180"},
    {u"180-ZZD_ANG+ANGSHIFT", "180-ZZD_ANG+ANGSHIFT"},
};

constexpr float kMag = 12.5f, kAng = 78, kShift = 15, kR = 6.25f, kX = 9.5f;

double Rad(double x) {
    return x * qz::kPi / 180;
}
double Deg(double x) {
    return x * 180 / qz::kPi;
}

struct MuSetup {
    double mag = kMag, ang = kAng, shift = kShift, r = kR, x = kX;
    mu::Parser parser;
    MuSetup() {
        parser.DefineVar("ZZD_MAG", &mag);
        parser.DefineVar("ZZD_ANG", &ang);
        parser.DefineVar("ANGSHIFT", &shift);
        parser.DefineVar("RZD", &r);
        parser.DefineVar("XZD", &x);
        parser.DefineFun("rad", Rad);
        parser.DefineFun("deg", Deg);
    }
    double Eval(const std::string& expr) {
        parser.SetExpr(expr);
        return parser.Eval();
    }
};

void SetVariables(qz::CFormulaParser& parser) {
    parser.SetZZD_MAG(kMag);
    parser.SetZZD_ANG(kAng);
    parser.SetANGSHIFT(kShift);
    parser.SetRZD(kR);
    parser.SetXZD(kX);
}

// Both sides must compute the same numbers, or the comparison means nothing.
bool SameResults() {
    qz::CFormulaParser ours;
    SetVariables(ours);
    MuSetup mu;
    for (const Case& c : kCases) {
        std::uint16_t position;
        qz::Text text;
        double a = ours.Evaluate(c.ours, position, text);
        double b = mu.Eval(c.mu);
        if (position != 0 || !text.empty() || std::fabs(a - b) > 1e-9 * (1 + std::fabs(b))) {
            std::fprintf(stderr, "mismatch in %s: %.17g against %.17g (position %u)\n", c.mu, a, b,
                         unsigned(position));
            return false;
        }
    }
    return true;
}

void BM_Formula(benchmark::State& state) {
    std::vector<qz::Text> formulas;
    for (const Case& c : kCases) formulas.emplace_back(c.ours);
    qz::CFormulaParser parser;
    SetVariables(parser);
    std::uint16_t position = 0;
    qz::Text errorText;
    for (auto _ : state)
        for (const qz::Text& f : formulas)
            benchmark::DoNotOptimize(parser.Evaluate(f, position, errorText));
    state.SetItemsProcessed(state.iterations() * formulas.size());
}
BENCHMARK(BM_Formula);

void BM_MuParser(benchmark::State& state) {
    std::vector<std::string> formulas;
    for (const Case& c : kCases) formulas.emplace_back(c.mu);
    MuSetup mu;
    for (auto _ : state)
        for (const std::string& f : formulas) benchmark::DoNotOptimize(mu.Eval(f));
    state.SetItemsProcessed(state.iterations() * formulas.size());
}
BENCHMARK(BM_MuParser);

}  // namespace

int main(int argc, char** argv) {
    if (!SameResults()) return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
