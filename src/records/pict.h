// The characteristic elements of a zone and their two stored forms: the
// numeric form (values) and the formula form (coordinate flags and formulas).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <type_traits>
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
};

// A member of an element: `member` is its name in the record (the JSON key
// of quarnz show), `label` its name in the readable description.
struct PictFieldName {
    const char* member;
    const char* label;
};

// What an element shows of itself, what its formulas fill and what it
// stores.  Each element class lists its members once, in the order the user
// sees them; the readable description, the JSON of quarnz show, template
// instantiation and both stored forms all walk that list.  kConst: the walk only reads
// (PictFieldVisitor) or may change the values (PictFieldEditor).
template <bool kConst>
class BasicPictFields {
  public:
    template <class T>
    using Ref = std::conditional_t<kConst, const T&, T&>;

    // A point; `inFormulaForm` is false for one that follows from the others
    // and has no formulas in the formula form.
    virtual void Point(PictFieldName name, Ref<PictPoint> point, bool inFormulaForm) = 0;
    // A number shown with its unit ("°", "Ω" or "").
    virtual void Real(PictFieldName name, const char* unit, Ref<float> value) = 0;
    // The formula text that fills `value` in a template.
    virtual void Formula(PictFieldName name, Ref<FormulaText> formula, Ref<float> value) = 0;
    // A flag shown as `ifZero` when it is 0, as `otherwise` when not.
    virtual void Flag(PictFieldName name, Ref<std::int32_t> value, const char* ifZero,
                      const char* otherwise) = 0;

  protected:
    ~BasicPictFields() = default;
};
using PictFieldVisitor = BasicPictFields<true>;
using PictFieldEditor = BasicPictFields<false>;

// A window on the impedance plane, in ohms.
struct OhmWindow {
    double loR = 0, loX = 0, hiR = 0, hiX = 0;
};

// One piece of what an element draws, in ohms.  An arc runs counter-
// clockwise around the centre from the ray through `from` to the ray
// through `to` (equal rays: the whole circle).
struct Outline {
    enum Kind : std::uint8_t { kSegment, kCircle, kArc };
    Kind kind = kSegment;
    RectValue from, to;  // a segment's ends; an arc's rays
    RectValue centre;    // circles and arcs
    float radius = 0;    // circles and arcs; a circle's may be negative
};

// The two stored forms of an element.
enum class PictForm { kNumeric, kFormula };

// The stored forms follow each class's member list (ListFields), so a member
// is added or moved there alone.  Numeric form: the base part ("1.00", tag),
// the class's version, then per member a point as its flag and two values
// (%f), a number, a flag (%d); a formula is left out.  Formula form: version
// "1.00", then per member a point that has formulas as its flag and two
// formulas, a formula, a flag; numbers are left out.  Both take the members
// in the list's order unless the class gives kStoredOrder.
class CPict {
  public:
    virtual ~CPict() = default;
    // The kind code stored in front of the element; it follows from the class.
    virtual PictKind Kind() const = 0;
    virtual std::unique_ptr<CPict> Clone() const = 0;

    virtual void Load(CArchiveReader& ar);
    void Store(CArchiveWriter& ar) const;
    void LoadFormula(CArchiveReader& ar);
    void StoreFormula(CArchiveWriter& ar) const;

    // Draws its outlines with the pen and brush selected in `dc`; (originX,
    // originY) is the pixel of Z = 0 and scaleX, scaleY are pixels per ohm.
    void Draw(gfx::CCanvas& dc, int originX, int originY, double scaleX, double scaleY) const;
    // The pieces it draws; straight limits are cut to `window`, and leave
    // nothing when they miss it.  A class the plot does not know draws nothing.
    virtual std::vector<Outline> Outlines(const OhmWindow&) const { return {}; }
    // How far the drawing reaches from Z = 0: the largest absolute R or X of
    // its points and circles, leaving out values that are not finite.
    virtual float Extent() const { return 0; }

    // The members, in the order the user sees them.
    virtual void VisitFields(PictFieldVisitor&) const {}
    virtual void VisitFields(PictFieldEditor&) {}

    TextField<260> strZoneTag = u"Z1_LE";

  protected:
    CPict() = default;
    CPict(const CPict&) = default;

    // The version the numeric form is written with.
    virtual TextView NumericVersion() const { return u"1.00"; }
    // The base part of the numeric form, and the members of one form (a
    // class without a member list has none).
    void LoadBase(CArchiveReader& ar);
    virtual void LoadMembers(CArchiveReader&, PictForm) {}
    virtual void StoreMembers(CArchiveWriter&, PictForm) const {}
};

// The kind code, copying and the walks over the members, once for every
// class: each lists its members in a static ListFields(self, fields).
template <class Derived, PictKind kKind>
class PictOf : public CPict {
  public:
    PictKind Kind() const final { return kKind; }
    std::unique_ptr<CPict> Clone() const final { return std::make_unique<Derived>(Self()); }
    void VisitFields(PictFieldVisitor& fields) const final { Derived::ListFields(Self(), fields); }
    void VisitFields(PictFieldEditor& fields) final {
        Derived::ListFields(static_cast<Derived&>(*this), fields);
    }

  protected:
    // Defined with the stored forms, for the four classes.
    void LoadMembers(CArchiveReader& ar, PictForm form) final;
    void StoreMembers(CArchiveWriter& ar, PictForm form) const final;

  private:
    const Derived& Self() const { return static_cast<const Derived&>(*this); }
};

class CPictMho : public PictOf<CPictMho, kPictMho> {
  public:
    std::vector<Outline> Outlines(const OhmWindow& window) const override;
    float Extent() const override;

    // Centre and radius; the radius is negative when the deflection angle
    // lies beyond plus or minus 90 degrees.
    void GetCircle(float& centreR, float& centreX, float& radius) const;

    template <class Self, class Fields>
    static void ListFields(Self& self, Fields& f) {
        f.Point({"ptZ1", "Z1"}, self.ptZ1, true);
        f.Point({"ptZ2", "Z2"}, self.ptZ2, true);
        f.Real({"fShiftAngle", "deflection"}, "°", self.fShiftAngle);
        f.Formula({"strShiftAngle", "deflection"}, self.strShiftAngle, self.fShiftAngle);
    }

    PictPoint ptZ1, ptZ2;
    float fShiftAngle = 0;
    FormulaText strShiftAngle = u"0.0";
};

class CPictLine : public PictOf<CPictLine, kPictLine> {
  public:
    // Also reads the older two-point version "1.00" and derives Z and the
    // inclination from it; always writes "1.10".
    void Load(CArchiveReader& ar) override;
    std::vector<Outline> Outlines(const OhmWindow& window) const override;
    float Extent() const override;

    // A template line is defined by Z1 and Z2 alone.
    template <class Self, class Fields>
    static void ListFields(Self& self, Fields& f) {
        f.Point({"ptZ1", "Z1"}, self.ptZ1, true);
        f.Point({"ptZ2", "Z2"}, self.ptZ2, true);
        f.Point({"ptZ", "Z"}, self.ptZ, false);
        f.Real({"fInclination", "inclination"}, "°", self.fInclination);
    }

    PictPoint ptZ1, ptZ2, ptZ;
    float fInclination = 0;

  protected:
    TextView NumericVersion() const override { return u"1.10"; }
};

class CPictArc : public PictOf<CPictArc, kPictArc> {
  public:
    std::vector<Outline> Outlines(const OhmWindow& window) const override;
    float Extent() const override;

    // The centre and the radius first, as the element table shows an arc.
    template <class Self, class Fields>
    static void ListFields(Self& self, Fields& f) {
        f.Point({"ptZ0", "Z0"}, self.ptZ0, true);
        f.Real({"fRadius", "radius"}, "Ω", self.fRadius);
        f.Formula({"strRadius", "radius"}, self.strRadius, self.fRadius);
        f.Point({"ptZ1", "Z1"}, self.ptZ1, true);
        f.Point({"ptZ2", "Z2"}, self.ptZ2, true);
        f.Flag({"nClockwise", "direction"}, self.nClockwise, "counter-clockwise", "clockwise");
    }

    PictPoint ptZ1, ptZ2, ptZ0;
    float fRadius = 1.0f;
    std::int32_t nClockwise = 0;
    FormulaText strRadius = u"1.0";

    // The positions in the list of the members as stored: Z1, Z2, Z0, the
    // radius, the direction.
    static constexpr std::uint8_t kStoredOrder[] = {3, 4, 0, 1, 2, 5};
};

class CPictLens : public PictOf<CPictLens, kPictLens> {
  public:
    std::vector<Outline> Outlines(const OhmWindow& window) const override;
    float Extent() const override;

    // The centres of the two arcs (rectangular) and their common radius.
    void GetLensArcs(RectValue& centre1, RectValue& centre2, float& radius) const;

    // Width A and ratio A/B follow from the inner angle and have no formulas.
    template <class Self, class Fields>
    static void ListFields(Self& self, Fields& f) {
        f.Point({"ptZ1", "Z1"}, self.ptZ1, true);
        f.Point({"ptZ2", "Z2"}, self.ptZ2, true);
        f.Real({"fInnerAngle", "inner angle"}, "°", self.fInnerAngle);
        f.Real({"fWidthA", "A"}, "Ω", self.fWidthA);
        f.Real({"fRatioAB", "A/B"}, "", self.fRatioAB);
        f.Formula({"strInnerAngle", "inner angle"}, self.strInnerAngle, self.fInnerAngle);
    }

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
// A kind's name in texts and template sources: "mho", "line", "arc" or
// "lens"; null for an unknown code.
const char* PictKindName(std::int32_t kind);
// The kind code of a name, "circle" being another name of "mho"; -1 for none.
std::int32_t PictKindOfName(std::string_view name);

// Element lists: a 32-bit count, then per element its kind code and its
// numeric or formula form.
// What a reader does with an unknown kind code: the list is broken there,
// or the code is passed over (it has no data to skip) and reading goes on.
enum class UnknownPict { kBroken, kPassedOver };
// The one reader of element lists: hands each element to `take` as it is
// read, and raises ArchiveError where the list breaks off.  Returns the
// count as stored: one of zero or less reads no elements.
std::int32_t ReadPicts(CArchiveReader& ar, PictForm form, UnknownPict unknown,
                       const std::function<void(std::unique_ptr<CPict>)>& take);
// All or nothing: appends the elements read to `list`, or nothing on
// ArchiveError; an unknown kind breaks the list.
std::int32_t LoadPicts(CArchiveReader& ar, PictList& list, PictForm form);
void StorePicts(CArchiveWriter& ar, std::span<const CPict* const> picts, PictForm form);
void StorePicts(CArchiveWriter& ar, const PictList& list, PictForm form);

// A copy of each element, in order.
PictList ClonePicts(const PictList& list);

// The characteristic kind the elements make (CharKind): only circles a
// circle, only lines and arcs a polygon, only lenses a lens; `otherwise`
// for a mixture or no element.
std::int32_t CharKindOf(const PictList& list, std::int32_t otherwise);

}  // namespace qz
