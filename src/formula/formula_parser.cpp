#include "formula/formula_parser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <string>

#include "base/helpers.h"

namespace qz {

namespace {

// The name table; entry 0 is never matched.  The order decides which of two
// names that share a prefix wins.
constexpr std::array<std::u16string_view, 29> kNames = {
    u"",        u"ABS",     u"SQR",      u"SINH",   u"COSH",   u"TANH",   u"ARCTAN", u"LN",
    u"LOG",     u"EXP",     u"SIN",      u"COS",    u"TAN",    u"ARCSIN", u"ARCCOS", u"INT",
    u"RAD",     u"DEG",     u"ARSINH",   u"ARCOSH", u"ARTANH", u"MIN",    u"MAX",    u"PI",
    u"ZZD_MAG", u"ZZD_ANG", u"ANGSHIFT", u"RZD",    u"XZD"};

enum Name {
    kABS = 1,
    kSQR,
    kSINH,
    kCOSH,
    kTANH,
    kARCTAN,
    kLN,
    kLOG,
    kEXP,
    kSIN,
    kCOS,
    kTAN,
    kARCSIN,
    kARCCOS,
    kINT,
    kRAD,
    kDEG,
    kARSINH,
    kARCOSH,
    kARTANH,
    kMIN,
    kMAX,
    kPI,
    kZZD_MAG,
    kZZD_ANG,
    kANGSHIFT,
    kRZD,
    kXZD
};
static_assert(kNames[kABS] == u"ABS" && kNames[kARTANH] == u"ARTANH" && kNames[kPI] == u"PI" &&
              kNames[kXZD] == u"XZD" && kXZD + 1 == kNames.size());

// The table's entries grouped by initial, each group in table order, so a
// lookup tries only the names that can match and still finds the same one.
struct Buckets {
    std::array<std::array<std::uint8_t, 9>, 26> names{};  // zero-terminated
};
constexpr Buckets MakeBuckets() {
    Buckets b;
    std::array<int, 26> count{};
    for (std::size_t i = 1; i < kNames.size(); ++i) {
        int letter = kNames[i][0] - u'A';
        b.names[letter][count[letter]++] = std::uint8_t(i);
    }
    return b;
}
constexpr Buckets kBuckets = MakeBuckets();

constexpr char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}
constexpr bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

constexpr bool IsWhiteSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

const char16_t kDivisionNote[] = u" (Division durch Null)";
const char16_t kRootNote[] = u" (keine Wurzel aus neg. Zahl)";
const char16_t kDomainNote[] = u"(Ein Error wurde abgefangen)";

struct TooDeep : std::runtime_error {
    TooDeep()
        : std::runtime_error("Formel tiefer als " + std::to_string(CFormulaParser::kMaxDepth) +
                             " Ebenen verschachtelt") {}
};

Text WidenMessage(const char* message) {
    std::string_view bytes = message ? message : "";
    try {
        return FromUtf8(bytes);
    } catch (const TextError&) {
        Text wide(bytes.size(), u'\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) wide[i] = char16_t(std::uint8_t(bytes[i]));
        return wide;
    }
}

}  // namespace

CFormulaParser::CFormulaParser() = default;

double CFormulaParser::Evaluate(TextView formula, std::uint16_t& errorPosition, Text& errorText) {
    nPosition = 0;
    try {
        errorText.clear();
        note = nullptr;
        lastCloser = 0;
        nDepth = 0;
        // A formula ends at its first NUL, as in the fixed text fields; a NUL
        // reads as the end marker, so the text is not searched for one first.
        std::size_t first = 0;
        while (first < formula.size() && IsWhiteSpace(formula[first])) ++first;
        strFormula = formula.substr(first);

        Advance();
        double value = Expression();
        if (token == 0 || OnlyWhiteSpaceLeft()) {
            errorPosition = 0;
            if (note) errorText = note;
        } else {
            errorPosition = std::uint16_t(std::min<std::size_t>(nPosition, UINT16_MAX));
            errorText = Format("Error an Position %zu gefunden", nPosition);
            if (note) errorText += note;
            errorText += u'!';
        }
        strFormula = {};
        return value;
    } catch (...) {
        strFormula = {};
        // Not 0: the formula was not consumed.
        errorPosition = std::uint16_t(std::clamp<std::size_t>(nPosition, 1, UINT16_MAX));
        try {
            Text message;
            try {
                throw;
            } catch (const std::exception& e) {
                message = WidenMessage(e.what());
            } catch (...) {
                message = u"unbekannte Ausnahme";
            }
            errorText = u"Error in Calculation() weil ";
            errorText += FitText(message, 255);
        } catch (...) {
            errorText.clear();  // out of memory even for the message
        }
        return 0;
    }
}

// White space ends every token, so reading stops at trailing white space as
// at the end.
bool CFormulaParser::OnlyWhiteSpaceLeft() const {
    for (std::size_t i = nPosition - 1; At(i) != 0; ++i)
        if (!IsWhiteSpace(At(i))) return false;
    return true;
}

void CFormulaParser::Advance() {
    do {
        ++nPosition;
        token = At(nPosition - 1);
    } while (token == u' ');
}

double CFormulaParser::Expression() {
    double value = Term();
    while (token == u'+' || token == u'-') {
        char16_t op = token;
        Advance();
        double right = Term();
        value = op == u'+' ? value + right : value - right;
    }
    return value;
}

double CFormulaParser::Term() {
    double value = Power();
    while (token == u'*' || token == u'/') {
        char16_t op = token;
        Advance();
        double right = Power();
        if (op == u'*')
            value *= right;
        else if (right == 0)
            note = kDivisionNote;
        else
            value /= right;
    }
    return value;
}

double CFormulaParser::Power() {
    double value = SignedValue();
    while (token == u'^') {
        Advance();
        double exponent = SignedValue();
        if (!(value > 0) && (std::fabs(exponent) <= 1 || exponent != std::trunc(exponent)))
            note = kRootNote;
        else
            value = std::pow(value, exponent);
    }
    return value;
}

double CFormulaParser::SignedValue() {
    if (token != u'-') return Primary();
    Advance();
    return -Primary();
}

double CFormulaParser::Primary() {
    struct Nesting {
        int& depth;
        explicit Nesting(int& d) : depth(d) {
            if (++depth > kMaxDepth) throw TooDeep();
        }
        ~Nesting() { --depth; }
    } nesting(nDepth);

    if (IsDigit(token) || token == u'.') return Number();
    if (token == u'(' || token == u',') {
        Advance();
        double value = Expression();
        lastCloser = 0;
        if (token == u')' || token == u',') {
            lastCloser = token;
            Advance();
        }
        return value;
    }
    int name = MatchName();
    if (name == 0) return 0;  // nothing consumed: the caller stops here
    nPosition += kNames[name].size() - 1;
    Advance();
    switch (name) {
        case kPI:
            return kPi;
        case kZZD_MAG:
            return fZZD_MAG;
        case kZZD_ANG:
            return fZZD_ANG;
        case kANGSHIFT:
            return fANGSHIFT;
        case kRZD:
            return fRZD;
        case kXZD:
            return fXZD;
        default:
            return Function(name);
    }
}

double CFormulaParser::Number() {
    std::size_t start = nPosition;
    do Advance();
    while (IsDigit(token) || token == u'.');
    // The run may hold skipped spaces; the conversion stops at the first.
    TextView run = strFormula.substr(start - 1, nPosition - start);
    std::size_t digits;
    return ReadUnsignedDecimal(
        run.size(), [run](std::size_t k) { return unsigned(run[k]); }, digits);
}

int CFormulaParser::MatchName() const {
    char16_t initial = Upper(token);
    if (initial < u'A' || initial > u'Z') return 0;
    const std::size_t at = nPosition - 1;
    const char16_t* ahead = strFormula.data() + at;
    const std::size_t left = strFormula.size() - at;
    for (std::uint8_t name : kBuckets.names[initial - u'A']) {
        if (name == 0) break;
        TextView text = kNames[name];
        if (text.size() > left) continue;
        std::size_t i = 1;
        while (i < text.size() && Upper(ahead[i]) == text[i]) ++i;
        if (i == text.size()) return name;
    }
    return 0;
}

double CFormulaParser::Function(int name) {
    if (name == kMIN || name == kMAX) {
        // "MIN(a,b)": the first argument reads "(a," and leaves the call's
        // bracket open; its ")" is consumed after the second argument so that
        // the rest of the formula is still read.
        bool opened = token == u'(';
        double a = Primary();
        bool open = opened && lastCloser == u',';
        double b = Primary();
        if (open && token == u')') Advance();
        return name == kMIN ? std::min(a, b) : std::max(a, b);
    }

    double x = Primary();
    bool inDomain = true;
    double value = x;
    switch (name) {
        case kABS:
            value = std::fabs(x);
            break;
        case kSQR:
            if ((inDomain = x >= 0)) value = std::sqrt(x);
            break;
        case kSINH:
            value = std::sinh(x);
            break;
        case kCOSH:
            value = std::cosh(x);
            break;
        case kTANH:
            value = std::tanh(x);
            break;
        case kARCTAN:
            value = std::atan(x);
            break;
        case kLN:
            if ((inDomain = x >= 0)) value = std::log(x);
            break;
        case kLOG:
            if ((inDomain = x >= 0)) value = std::log10(x);
            break;
        case kEXP:
            if ((inDomain = x <= 41)) value = std::exp(x);
            break;
        case kSIN:
            value = std::sin(x);
            break;
        case kCOS:
            value = std::cos(x);
            break;
        case kTAN:
            if ((inDomain = std::cos(x) != 0)) value = std::tan(x);
            break;
        case kARCSIN:
            if ((inDomain = std::fabs(x) < 1)) value = std::asin(x);
            break;
        case kARCCOS:
            if ((inDomain = std::fabs(x) <= 1)) value = std::acos(x);
            break;
        case kINT:
            value = TruncToInt32(x);
            break;
        case kRAD:
            value = x * kPi / 180;
            break;
        case kDEG:
            value = x * 180 / kPi;
            break;
        case kARSINH:
            value = std::log(x + std::sqrt(x * x + 1));
            break;
        case kARCOSH:
            if ((inDomain = std::fabs(x) >= 1)) value = std::log(x + std::sqrt(x * x - 1));
            break;
        case kARTANH:
            if ((inDomain = std::fabs(x) <= 1)) value = 0.5 * std::log((x + 1) / (1 - x));
            break;
        default:
            break;
    }
    if (!inDomain) note = kDomainNote;
    return value;
}

}  // namespace qz
