// The evaluator of the setting formulas that define template elements: a
// recursive-descent reader that works on the formula text directly, with a
// fixed table of functions, the constant PI and five setting variables.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"

namespace qz {

class CFormulaParser {
  public:
    // Deepest nesting of brackets and function arguments.  Every formula that
    // fits a formula field (499 characters) stays below it; deeper input is
    // hostile and would otherwise exhaust the stack.
    static constexpr int kMaxDepth = 500;

    CFormulaParser();
    void SetZZD_MAG(float v) { fZZD_MAG = v; }
    void SetZZD_ANG(float v) { fZZD_ANG = v; }
    void SetANGSHIFT(float v) { fANGSHIFT = v; }
    void SetRZD(float v) { fRZD = v; }
    void SetXZD(float v) { fXZD = v; }
    // Never throws: an internal failure gives 0 and "Error in Calculation() weil ...".
    double Evaluate(TextView formula, std::uint16_t& errorPosition, Text& errorText);

  private:
    void Advance();
    bool OnlyWhiteSpaceLeft() const;
    double Expression();
    double Term();
    double Power();
    double SignedValue();
    double Primary();
    double Number();
    double Function(int name);
    int MatchName() const;
    char16_t At(std::size_t index) const {
        return index < strFormula.size() ? strFormula[index] : 0;
    }

    float fZZD_MAG = 0, fZZD_ANG = 0, fANGSHIFT = 0, fRZD = 0, fXZD = 0;

    // One evaluation's scanner.  The position is 1-based and wider than the
    // reported 16 bits, so that long input can neither wrap nor read out of
    // bounds; the end marker is implied past the end of the text.
    TextView strFormula;
    std::size_t nPosition = 0;
    char16_t token = 0;
    const char16_t* note = nullptr;  // the last error note, a static text
    char16_t lastCloser = 0;         // what ended the latest bracket: ')', ',' or nothing
    int nDepth = 0;
};

}  // namespace qz
