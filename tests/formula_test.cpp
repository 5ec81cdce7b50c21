#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "base/helpers.h"
#include "formula/formula_parser.h"
#include "records/setting.h"
#include "test_util.h"

using namespace qz;

namespace {

struct Result {
    double value;
    std::uint16_t position;
    Text text;
};

Result Eval(CFormulaParser& parser, TextView formula) {
    Result r{-12345, 0xBEEF, u"stale"};
    r.value = parser.Evaluate(formula, r.position, r.text);
    return r;
}

Result Eval(TextView formula) {
    CFormulaParser parser;
    return Eval(parser, formula);
}

double Value(TextView formula) {
    return Eval(formula).value;
}

// A clean result: the whole formula consumed and no note.
void ExpectClean(TextView formula, double expected) {
    Result r = Eval(formula);
    SCOPED_TRACE(ToUtf8(formula));
    EXPECT_DOUBLE_EQ(r.value, expected);
    EXPECT_EQ(r.position, 0);
    EXPECT_EQ(r.text, u"");
}

void ExpectNote(TextView formula, double expected, TextView note) {
    Result r = Eval(formula);
    SCOPED_TRACE(ToUtf8(formula));
    EXPECT_DOUBLE_EQ(r.value, expected);
    EXPECT_EQ(r.position, 0);
    EXPECT_EQ(r.text, note);
}

void ExpectStop(TextView formula, double expected, std::uint16_t position) {
    Result r = Eval(formula);
    SCOPED_TRACE(ToUtf8(formula));
    EXPECT_DOUBLE_EQ(r.value, expected);
    EXPECT_EQ(r.position, position);
    EXPECT_EQ(r.text, Format("Error an Position %u gefunden!", unsigned(position)));
}

const TextView kDomain = u"(Ein Error wurde abgefangen)";
const TextView kDivision = u" (Division durch Null)";
const TextView kRoot = u" (keine Wurzel aus neg. Zahl)";

}  // namespace

TEST(FormulaPrecedence, LevelsAndLeftToRight) {
    ExpectClean(u"2+3*4", 14);
    ExpectClean(u"(2+3)*4", 20);
    ExpectClean(u"2^3^2", 64);  // (2^3)^2, not 2^9
    ExpectClean(u"8/4/2", 1);
    ExpectClean(u"10-4-3", 3);
    ExpectClean(u"2*3^2", 18);
    ExpectClean(u"1+2*3-4/2", 5);
    ExpectClean(u"2^2*3", 12);
    ExpectClean(u"((1+2)*(3+4))/7", 3);
    ExpectClean(u" 1 +  2 * 3 ", 7);
}

TEST(FormulaSigns, OnlyOneLeadingMinusBindsToAPrimary) {
    ExpectClean(u"-2^2", 4);
    ExpectClean(u"2^-1", 0.5);
    ExpectClean(u"2*-3", -6);
    ExpectClean(u"3--2", 5);
    ExpectClean(u"-(2+3)", -5);
    ExpectClean(u"(-2)^-2", 0.25);
    // The second minus is no primary: -(0) - 1.
    ExpectClean(u"--1", -1);
    // A plus is no primary either: 0 + 1.
    ExpectClean(u"+1", 1);
    // A minus does not start a function argument.
    ExpectClean(u"SIN -1", -1);
    ExpectClean(u"SIN(-1)", std::sin(-1.0));
    ExpectClean(u"ABS-3", -3);
}

TEST(FormulaNumbers, DecimalTextOnly) {
    ExpectClean(u"0.1", 0.1);
    ExpectClean(u".5", 0.5);
    ExpectClean(u"5.", 5);
    ExpectClean(u".", 0);
    ExpectClean(u"2 3", 2);  // read up to the space, which the scan skipped
    ExpectClean(u"12 .5", 12);
    ExpectClean(u"1.5.2", 1.5);
    ExpectStop(u"1E3", 1, 2);
    ExpectClean(u"123456789012345678901234567890", 123456789012345678901234567890.0);
    ExpectClean(u"0.30000000000000004", 0.30000000000000004);
    ExpectClean(u"9007199254740993", 9007199254740992.0);  // rounds to even
    ExpectClean(u"00000000000000000000000000001.25", 1.25);
    EXPECT_EQ(Value(Text(400, u'9')), HUGE_VAL);
    EXPECT_EQ(Value(u"0." + Text(400, u'0') + u"1"), 0);
}

TEST(FormulaNumbers, AgreeWithTheStoredNumberReader) {
    // The formulas and the stored files read numbers alike: a formula's
    // value in single precision is what the file's text gives.
    const Text texts[] = {u"0.1",
                          u"16777217",
                          u"1234567890.0987654321",
                          u"9007199254740993",
                          u"340282356779733661637539395458142568448",
                          Text(39, u'9'),
                          u"0." + Text(330, u'0') + u"7"};
    for (const Text& t : texts) EXPECT_EQ(TextToNumber(t), ToSingle(Value(t))) << ToUtf8(t);
}

TEST(FormulaNames, CaseTableOrderAndPrefixes) {
    ExpectClean(u"PI", 3.141592653589793);
    ExpectClean(u"pI", 3.141592653589793);
    ExpectClean(u"SINH(1)", std::sinh(1.0));  // not SIN followed by H
    ExpectClean(u"cosh(1)", std::cosh(1.0));
    ExpectClean(u"TanH(1)", std::tanh(1.0));
    ExpectClean(u"LN(1)+LOG(100)", 2);
    ExpectClean(u"ARSINH(1)", std::asinh(1.0));
    ExpectClean(u"ARCOSH(2)", std::acosh(2.0));
    ExpectClean(u"ARCTAN(1)*4", 3.141592653589793);
    // A function's argument is the next primary, with or without spaces.
    ExpectClean(u"SQR 16", 4);
    ExpectClean(u"SQRSQR16", 2);
    ExpectClean(u"sqr sqr 16", 2);
    ExpectClean(u"RAD 180", 3.141592653589793);
    ExpectClean(u"SQR(16)", 4);
    ExpectClean(u"COS,0", 1);  // a comma opens a bracket too
    // Names must match whole and do not multiply when they meet.
    ExpectStop(u"PI2", 3.141592653589793, 3);
    ExpectStop(u"X", 0, 1);
    ExpectStop(u"1+X", 1, 3);
    ExpectStop(u"S IN(1)", 0, 1);
    ExpectStop(u"SI", 0, 1);
    ExpectStop(u"ZZD_MAGXZD", 0, 8);
    ExpectStop(u"\u0131N", 0, 1);  // only a-z fold to upper case
}

TEST(FormulaFunctions, ValuesAndDomains) {
    ExpectClean(u"ABS(-2.5)", 2.5);
    ExpectClean(u"SQR(0)", 0);
    ExpectNote(u"SQR(-4)", -4, kDomain);
    ExpectNote(u"LN(0)", -HUGE_VAL, u"");
    ExpectNote(u"LN(-1)", -1, kDomain);
    ExpectNote(u"LOG(-2)", -2, kDomain);
    ExpectClean(u"EXP(41)", std::exp(41.0));
    ExpectNote(u"EXP(42)", 42, kDomain);
    ExpectClean(u"SIN(RAD(30))", std::sin(30 * 3.141592653589793 / 180));
    ExpectClean(u"COS(0)", 1);
    ExpectClean(u"TAN(1)", std::tan(1.0));
    ExpectClean(u"ARCSIN(0.5)", std::asin(0.5));
    ExpectNote(u"ARCSIN(1)", 1, kDomain);  // 1 itself is outside
    ExpectNote(u"ARCSIN(-1)", -1, kDomain);
    ExpectClean(u"ARCCOS(1)", 0);
    ExpectClean(u"ARCCOS(-1)", 3.141592653589793);
    ExpectNote(u"ARCCOS(1.5)", 1.5, kDomain);
    ExpectClean(u"INT(-3.7)", -3);
    ExpectClean(u"INT(3.7)", 3);
    ExpectClean(u"INT(3000000000)", -2147483648.0);  // the x86 "integer indefinite"
    ExpectClean(u"DEG(PI)", 180);
    ExpectClean(u"RAD(90)", 3.141592653589793 / 2);
    ExpectClean(u"ARCOSH(1)", 0);
    ExpectNote(u"ARCOSH(0.5)", 0.5, kDomain);
    ExpectClean(u"ARTANH(0.5)", std::atanh(0.5));
    ExpectNote(u"ARTANH(2)", 2, kDomain);
    ExpectClean(u"MIN 3(2)", 2);
    ExpectClean(u"MAX 3 PI", 3.141592653589793);
    ExpectClean(u"MIN 3 2", 0);  // "3 2" is one number: MIN(3, nothing)
    // The last note wins.
    ExpectNote(u"SQR(-4)+1/0", -3, kDivision);
    ExpectNote(u"1/0+SQR(-4)", -3, kDomain);
}

TEST(FormulaFunctions, DivisionAndPowerNotes) {
    ExpectNote(u"1/0", 1, kDivision);
    ExpectNote(u"6/0/2", 3, kDivision);  // the division is skipped, the term goes on
    ExpectNote(u"1/(2-2)*5", 5, kDivision);
    ExpectNote(u"(-8)^(1/3)", -8, kRoot);
    ExpectClean(u"(-2)^3", -8);
    ExpectClean(u"0^2", 0);
    ExpectNote(u"0^1", 0, kRoot);
    ExpectNote(u"(-2)^0.5", -2, kRoot);
    ExpectClean(u"4^0.5", 2);
    ExpectNote(u"(-2)^0.5^2", 4, kRoot);  // skipped, then (-2)^2
}

TEST(FormulaErrors, PositionsAndTexts) {
    ExpectClean(u"", 0);
    ExpectClean(u"    ", 0);
    ExpectClean(u"\t 1+2 \r\n", 3);
    ExpectClean(u"\u3000 2*3", 6);
    ExpectClean(u"(1+2", 3);  // a missing ")" is accepted
    ExpectStop(u"1+2)", 3, 4);
    ExpectStop(u"   1+)", 1, 3);  // leading white space does not count
    ExpectStop(u"1\t+2", 1, 2);   // only the space is skipped inside
    ExpectStop(u"1+\U0001F600", 1, 3);
    ExpectStop(u"2 3 4)", 2, 6);

    Result r = Eval(u"SQR(-4))");
    EXPECT_EQ(r.value, -4);
    EXPECT_EQ(r.position, 8);
    EXPECT_EQ(r.text, u"Error an Position 8 gefunden(Ein Error wurde abgefangen)!");
    r = Eval(u"1/0)");
    EXPECT_EQ(r.text, u"Error an Position 4 gefunden (Division durch Null)!");

    // Notes belong to one evaluation.
    CFormulaParser parser;
    EXPECT_EQ(Eval(parser, u"1/0").text, kDivision);
    r = Eval(parser, u"1");
    EXPECT_EQ(r.text, u"");
    EXPECT_EQ(r.position, 0);

    // A formula ends at its first NUL, as a text field does.
    ExpectClean(TextView(u"1+2\0+5)", 7), 3);
    // White space before that NUL is trailing white space.
    ExpectClean(TextView(u"1+2\t\u3000\0)", 7), 3);
    ExpectStop(TextView(u"1+2\t)\0", 6), 3, 4);
}

TEST(FormulaVariables, BindingByMode) {
    struct Row {
        int mode;
        float mag, ang, shift, r, x;
    };
    const Row rows[] = {{0, 1, 2, 3, 0, 0}, {1, 0, 0, 0, 1, 2}, {2, 1, 2, 0, 3, 0},
                        {3, 0, 3, 0, 1, 2}, {4, 0, 0, 0, 0, 0}, {-1, 0, 0, 0, 0, 0}};
    CFormulaParser parser;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        BindSetting(parser, {0, 9, 9, 9});  // rebinding must clear what the mode does not set
        BindSetting(parser, {row.mode, 1, 2, 3});
        EXPECT_EQ(Eval(parser, u"ZZD_MAG").value, row.mag);
        EXPECT_EQ(Eval(parser, u"zzd_ang").value, row.ang);
        EXPECT_EQ(Eval(parser, u"AngShift").value, row.shift);
        EXPECT_EQ(Eval(parser, u"RZD").value, row.r);
        EXPECT_EQ(Eval(parser, u"XZD").value, row.x);
    }

    BindSetting(parser, {0, 10, 60, 0});
    Result r = Eval(parser, u"zzd_mag*cos(rad(zzd_ang))");
    EXPECT_NEAR(r.value, 5, 1e-12);
    EXPECT_EQ(r.position, 0);
    EXPECT_NEAR(Eval(parser, u"ZZD_MAG * SIN(RAD(ZZD_ANG))").value, 8.660254037844386, 1e-12);

    // The variables are single precision and keep their values between formulas.
    CFormulaParser fresh;
    EXPECT_EQ(Eval(fresh, u"ZZD_MAG+ZZD_ANG+ANGSHIFT+RZD+XZD").value, 0);
    fresh.SetZZD_MAG(0.1f);
    fresh.SetZZD_ANG(2);
    fresh.SetANGSHIFT(3);
    fresh.SetRZD(4);
    fresh.SetXZD(5);
    EXPECT_EQ(Eval(fresh, u"ZZD_MAG").value, double(0.1f));
    EXPECT_EQ(Eval(fresh, u"ZZD_ANG*ANGSHIFT*RZD*XZD").value, 120);
    EXPECT_EQ(Eval(fresh, u"XZD").value, 5);
}

TEST(FormulaMinMax, TheCallsClosingBracketIsConsumed) {
    CFormulaParser parser;
    BindSetting(parser, {1, 3, 0, 0});
    ExpectClean(u"MIN(4,2)", 2);
    ExpectClean(u"MAX(4,2)", 4);
    Result r = Eval(parser, u"MAX(RZD,1)*2");
    EXPECT_EQ(r.value, 6);
    EXPECT_EQ(r.position, 0);
    ExpectClean(u"MIN(1,2)+MAX(3,4)", 5);
    ExpectClean(u"(MIN(1,2))", 1);
    ExpectClean(u"MAX(1,(5))", 5);
    ExpectClean(u"MAX(MIN(1,2),3)*10", 30);
    // The second argument is a primary: MIN(2,2)*3, then the ")" stops the reading.
    ExpectStop(u"MIN(1+1,2*3)-1", 6, 12);
    ExpectClean(u"MIN(1)(2)", 1);
    // Only a bracket the call left open is closed.
    ExpectStop(u"MIN(1)2)", 1, 8);
    ExpectStop(u"MIN 3(2))", 2, 9);
    // A minus still does not start the second argument: MIN(1,0) - 2.
    ExpectStop(u"MIN(1,-2)", -2, 9);
}

TEST(FormulaHostileInput, DepthLengthAndPositions) {
    // Every nesting a formula field can hold is evaluated.
    const int n = CFormulaParser::kMaxDepth - 1;
    ExpectClean(Text(n, u'(') + u"1" + Text(n, u')'), 1);
    ExpectClean(Text(n, u',') + u"2", 2);

    // One level more is an internal failure, reported and not thrown.
    Result r = Eval(Text(n + 1, u'(') + u"1");
    EXPECT_EQ(r.value, 0);
    EXPECT_EQ(r.position, n + 2);
    EXPECT_EQ(r.text, u"Error in Calculation() weil Formel tiefer als 500 Ebenen verschachtelt");
    r = Eval(Text(100000, u'('));
    EXPECT_EQ(r.value, 0);
    EXPECT_EQ(r.text.rfind(u"Error in Calculation() weil ", 0), 0u);
    Text chain;
    for (int i = 0; i < 1000; ++i) chain += u"ABS";
    EXPECT_EQ(Eval(chain + u"1").value, 0);

    // The parser is usable again after a failure.
    CFormulaParser parser;
    Eval(parser, Text(600, u'('));
    r = Eval(parser, u"MIN(1,2)*3");
    EXPECT_EQ(r.value, 3);
    EXPECT_EQ(r.position, 0);
    EXPECT_EQ(r.text, u"");

    // Long formulas: the position does not wrap; it stops at the largest
    // 16-bit value while the text tells the true one.
    Text sum;
    for (int i = 0; i < 40000; ++i) sum += u"1+";
    ExpectClean(sum + u"1", 40001);
    r = Eval(sum + u"1)");
    EXPECT_EQ(r.value, 40001);
    EXPECT_EQ(r.position, 65535);
    EXPECT_EQ(r.text, u"Error an Position 80002 gefunden!");
    r = Eval(Text(70000, u' ') + u"5" + Text(70000, u' '));
    EXPECT_EQ(r.value, 5);
    EXPECT_EQ(r.position, 0);
    r = Eval(Text(65534, u'1') + u"+X");  // ends exactly at position 65536
    EXPECT_EQ(r.position, 65535);
    EXPECT_EQ(r.text, u"Error an Position 65536 gefunden!");
}

#ifdef QZ_QUARNZ_PATH
namespace {

using qztest::ToolRun;

ToolRun Quarnz(const std::string& args) {
    return qztest::RunCommand(std::string(QZ_QUARNZ_PATH) + " " + args + " 2>&1");
}

}  // namespace

TEST(FormulaQuarnzEval, TextJsonAndBadInput) {
    ToolRun run = Quarnz("eval '1/0+2^3'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "value: 9\nerror position: 0\nerror text:  (Division durch Null)\n");

    run = Quarnz("eval --json --mode 3 --values 1,2,60 -- 'zzd_mag+rzd*xzd+ZZD_ANG)'");
    EXPECT_EQ(run.status, 0);
    auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["value"], 62.0);
    EXPECT_EQ(j["errorPosition"], 24);
    EXPECT_EQ(j["errorText"], "Error an Position 24 gefunden!");

    run = Quarnz("eval --json 'MAX(PI,\xe6\xb5\x8b)'");
    j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["errorPosition"], 8);
    EXPECT_EQ(j["errorText"], "Error an Position 8 gefunden!");

    // Values that are no number stay apart as strings.
    for (auto [formula, shown] :
         {std::pair{"10^400", "inf"}, {"0-10^400", "-inf"}, {"10^400-10^400", "nan"}}) {
        j = nlohmann::json::parse(Quarnz(std::string("eval --json ") + formula).out);
        EXPECT_EQ(j["value"], shown) << formula;
    }

    run = Quarnz("eval \"$(printf '1+\\377')\"");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("UTF-8"), std::string::npos);
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);  // one line
}
#endif
