// Setting formulas as the template import evaluates them: parsed from their
// text every time.  Beside ours: a minimal recursive-descent evaluator that
// parses and evaluates the same texts each time and keeps nothing (the plain
// way), muParser with each expression set anew each time, and muParser with
// each expression parsed once and evaluated many times (what a compiled form
// would give).
#include <benchmark/benchmark.h>

#include <muParser.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
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

// The plain way: read the text and compute as it goes, nothing kept.
class Minimal {
  public:
    double mag = kMag, ang = kAng, shift = kShift, r = kR, x = kX;
    double Eval(std::u16string_view text) {
        p_ = text.data(), end_ = p_ + text.size();
        return Sum();
    }

  private:
    char16_t Peek() {
        while (p_ < end_ && *p_ == u' ') ++p_;
        return p_ < end_ ? *p_ : 0;
    }
    double Sum() {
        double v = Product();
        for (char16_t c; (c = Peek()) == u'+' || c == u'-';) {
            ++p_;
            v = c == u'+' ? v + Product() : v - Product();
        }
        return v;
    }
    double Product() {
        double v = Factor();
        for (char16_t c; (c = Peek()) == u'*' || c == u'/';) {
            ++p_;
            v = c == u'*' ? v * Factor() : v / Factor();
        }
        return v;
    }
    double Factor() {
        double v = Unary();
        while (Peek() == u'^') ++p_, v = std::pow(v, Unary());
        return v;
    }
    double Unary() {
        if (Peek() == u'-') return ++p_, -Atom();
        return Atom();
    }
    double Atom() {
        char16_t c = Peek();
        if (c == u'(') {
            ++p_;
            double v = Sum();
            if (Peek() == u')') ++p_;
            return v;
        }
        if ((c >= u'0' && c <= u'9') || c == u'.') {
            double v = 0, scale = 1;
            bool point = false;
            for (; p_ < end_ && ((*p_ >= u'0' && *p_ <= u'9') || *p_ == u'.'); ++p_) {
                if (*p_ == u'.')
                    point = true;
                else if (point)
                    scale *= 10, v += (*p_ - u'0') / scale;
                else
                    v = v * 10 + (*p_ - u'0');
            }
            return v;
        }
        const char16_t* start = p_;
        while (p_ < end_ && ((*p_ >= u'A' && *p_ <= u'Z') || *p_ == u'_')) ++p_;
        const std::u16string_view name(start, std::size_t(p_ - start));
        // Told apart by length and initial, then confirmed.
        switch (name.size() * 32 + (name.empty() ? 0 : name[0] - u'A')) {
            case 2 * 32 + ('P' - 'A'):
                if (name == u"PI") return qz::kPi;
                break;
            case 7 * 32 + ('Z' - 'A'):
                if (name == u"ZZD_MAG") return mag;
                if (name == u"ZZD_ANG") return ang;
                break;
            case 8 * 32 + ('A' - 'A'):
                if (name == u"ANGSHIFT") return shift;
                break;
            case 3 * 32 + ('R' - 'A'):
                if (name == u"RZD") return r;
                break;
            case 3 * 32 + ('X' - 'A'):
                if (name == u"XZD") return x;
                break;
            case 3 * 32 + ('M' - 'A'): {
                Peek(), ++p_;  // "("
                double a = Sum();
                Peek(), ++p_;  // ","
                double b = Sum();
                if (Peek() == u')') ++p_;
                return name == u"MIN" ? std::min(a, b) : std::max(a, b);
            }
        }
        double v = Atom();
        switch (name.size() * 32 + (name.empty() ? 0 : name[0] - u'A')) {
            case 3 * 32 + ('A' - 'A'):
                return std::fabs(v);
            case 3 * 32 + ('S' - 'A'):
                return name == u"SQR" ? std::sqrt(v) : std::sin(v);
            case 3 * 32 + ('C' - 'A'):
                return std::cos(v);
            case 3 * 32 + ('T' - 'A'):
                return std::tan(v);
            case 6 * 32 + ('A' - 'A'):
                return std::atan(v);
            case 3 * 32 + ('R' - 'A'):
                return v * qz::kPi / 180;
            case 3 * 32 + ('D' - 'A'):
                return v * 180 / qz::kPi;
        }
        return v;
    }
    const char16_t* p_ = nullptr;
    const char16_t* end_ = nullptr;
};

void SetVariables(qz::CFormulaParser& parser) {
    parser.SetZZD_MAG(kMag);
    parser.SetZZD_ANG(kAng);
    parser.SetANGSHIFT(kShift);
    parser.SetRZD(kR);
    parser.SetXZD(kX);
}

// Every side must compute the same numbers, or the comparison means nothing.
bool SameResults() {
    qz::CFormulaParser ours;
    SetVariables(ours);
    MuSetup mu;
    Minimal minimal;
    for (const Case& c : kCases) {
        std::uint16_t position;
        qz::Text text;
        double a = ours.Evaluate(c.ours, position, text);
        for (double b : {mu.Eval(c.mu), minimal.Eval(c.ours)}) {
            if (position != 0 || !text.empty() || std::fabs(a - b) > 1e-9 * (1 + std::fabs(b))) {
                std::fprintf(stderr, "mismatch in %s: %.17g against %.17g (position %u)\n", c.mu, a,
                             b, unsigned(position));
                return false;
            }
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

void BM_Minimal(benchmark::State& state) {
    std::vector<std::u16string> formulas;
    for (const Case& c : kCases) formulas.emplace_back(c.ours);
    Minimal minimal;
    for (auto _ : state)
        for (const std::u16string& f : formulas) benchmark::DoNotOptimize(minimal.Eval(f));
    state.SetItemsProcessed(state.iterations() * formulas.size());
}
BENCHMARK(BM_Minimal);

// Each expression parsed once (a parser per expression keeps its bytecode),
// then only evaluated.
void BM_MuParserParsedOnce(benchmark::State& state) {
    std::vector<std::unique_ptr<MuSetup>> parsed;
    for (const Case& c : kCases) {
        parsed.push_back(std::make_unique<MuSetup>());
        parsed.back()->parser.SetExpr(c.mu);
        parsed.back()->parser.Eval();
    }
    for (auto _ : state)
        for (const auto& mu : parsed) benchmark::DoNotOptimize(mu->parser.Eval());
    state.SetItemsProcessed(state.iterations() * parsed.size());
}
BENCHMARK(BM_MuParserParsedOnce);

}  // namespace

int main(int argc, char** argv) {
    if (!SameResults()) return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
