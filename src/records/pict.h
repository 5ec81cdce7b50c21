// The characteristic elements of a zone and their two stored forms: the
// numeric form (values) and the formula form (coordinate flags and formulas).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/archive.h"
#include "base/helpers.h"
#include "base/text.h"

namespace qz {

namespace gfx {
class CCanvas;
}

enum PictKind : std::int32_t { kPictMho = 0, kPictLine = 1, kPictArc = 2, kPictLens = 3 };

using FormulaText = TextField<500>;

// An impedance point with the formulas that define it in a template.
struct PictPoint {
    std::int32_t nCoord = 0;  // 0 polar (magnitude, angle); otherwise rectangular (R, X)
    float fValue1 = 0;
    float fValue2 = 0;
    FormulaText strFormula1 = u"0.0";
    FormulaText strFormula2 = u"0.0";

    RectValue Rect() const;
    PolarValue Polar() const;
    void SerializeValues(CArchive& ar);    // flag, value 1, value 2
    void SerializeFormulas(CArchive& ar);  // flag, formula 1, formula 2
};

class CPict {
  public:
    CPict() = default;
    virtual ~CPict() = default;
    // Numeric form: the base part ("1.00", tag), then the class's own part.
    virtual void Serialize(CArchive& ar);
    // Draws with the pen and brush selected in `dc`; (originX, originY) is the
    // pixel of Z = 0 and scaleX, scaleY are pixels per ohm.
    virtual void Draw(gfx::CCanvas&, int, int, double, double) const {}
    // Formula form: no base part and no tag.
    virtual void SerializeFormula(CArchive&) {}
    virtual std::unique_ptr<CPict> Clone() const {
        return std::unique_ptr<CPict>(new CPict(*this));
    }

    std::int32_t nKind = kPictMho;
    TextField<260> strZoneTag;

  protected:
    explicit CPict(std::int32_t kind) : nKind(kind), strZoneTag(u"Z1_LE") {}
    CPict(const CPict&) = default;
};

class CPictMho : public CPict {
  public:
    CPictMho() : CPict(kPictMho) {}
    void Serialize(CArchive& ar) override;
    void Draw(gfx::CCanvas& dc, int originX, int originY, double scaleX,
              double scaleY) const override;
    void SerializeFormula(CArchive& ar) override;
    std::unique_ptr<CPict> Clone() const override { return std::make_unique<CPictMho>(*this); }

    // Centre and radius; the radius is negative when the deflection angle
    // lies beyond plus or minus 90 degrees.
    void GetCircle(float& centreR, float& centreX, float& radius) const;

    PictPoint ptZ1, ptZ2;
    float fShiftAngle = 0;
    FormulaText strShiftAngle = u"0.0";
};

class CPictLine : public CPict {
  public:
    CPictLine() : CPict(kPictLine) {}
    // Also reads the older two-point version "1.00" and derives Z and the
    // inclination from it; always writes "1.10".
    void Serialize(CArchive& ar) override;
    void Draw(gfx::CCanvas& dc, int originX, int originY, double scaleX,
              double scaleY) const override;
    void SerializeFormula(CArchive& ar) override;
    std::unique_ptr<CPict> Clone() const override { return std::make_unique<CPictLine>(*this); }

    PictPoint ptZ1, ptZ2, ptZ;
    float fInclination = 0;
};

class CPictArc : public CPict {
  public:
    CPictArc() : CPict(kPictArc) {}
    void Serialize(CArchive& ar) override;
    void Draw(gfx::CCanvas& dc, int originX, int originY, double scaleX,
              double scaleY) const override;
    void SerializeFormula(CArchive& ar) override;
    std::unique_ptr<CPict> Clone() const override { return std::make_unique<CPictArc>(*this); }

    PictPoint ptZ1, ptZ2, ptZ0;
    float fRadius = 1.0f;
    std::int32_t nClockwise = 0;
    FormulaText strRadius = u"1.0";
};

class CPictLens : public CPict {
  public:
    CPictLens() : CPict(kPictLens) {}
    void Serialize(CArchive& ar) override;
    void Draw(gfx::CCanvas& dc, int originX, int originY, double scaleX,
              double scaleY) const override;
    void SerializeFormula(CArchive& ar) override;
    std::unique_ptr<CPict> Clone() const override { return std::make_unique<CPictLens>(*this); }

    // The centres of the two arcs (rectangular) and their common radius.
    void GetLensArcs(RectValue& centre1, RectValue& centre2, float& radius) const;

    PictPoint ptZ1, ptZ2;
    float fInnerAngle = 0;
    float fWidthA = 0;
    float fRatioAB = 0;
    FormulaText strInnerAngle = u"0.0";
};

// An ordered list that owns its elements.
using PictList = std::vector<std::unique_ptr<CPict>>;

// The element of a kind code with its defaults; null for an unknown code.
std::unique_ptr<CPict> CreatePict(std::int32_t kind);

// Element lists: a 32-bit count, then per element its kind code and its
// numeric or formula form.  Loading appends to `list`; on ArchiveError
// nothing has been appended.
enum class PictForm { kNumeric, kFormula };
void SerializePictList(CArchive& ar, PictList& list, PictForm form);
void StorePicts(CArchive& ar, const std::vector<const CPict*>& picts, PictForm form);

}  // namespace qz
