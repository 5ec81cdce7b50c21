#include "records/pict.h"

#include <array>
#include <iterator>

#include "records/zone.h"

namespace qz {

RectValue PictPoint::Rect() const {
    return nCoord != 0 ? RectValue{fValue1, fValue2} : PolarToRect(fValue1, fValue2);
}

PolarValue PictPoint::Polar() const {
    return nCoord == 0 ? PolarValue{fValue1, fValue2} : RectToPolar(fValue1, fValue2);
}

namespace {

constexpr const char* kRecord = "element";

// The members of one stored form, gathered from a class's member list.
template <bool kConst>
class FormMembers {
    template <class T>
    using Ptr = std::conditional_t<kConst, const T*, T*>;

  public:
    // One member: the one pointer that is set says what it is.
    struct Member {
        Ptr<PictPoint> point;
        Ptr<float> real;
        Ptr<FormulaText> formula;
        Ptr<std::int32_t> flag;
    };

    explicit FormMembers(PictForm form) : numeric_(form == PictForm::kNumeric) {}

    void Point(PictFieldName, auto& point, bool inFormulaForm) {
        Add().point = numeric_ || inFormulaForm ? &point : nullptr;
    }
    void Real(PictFieldName, const char*, auto& value) { Add().real = numeric_ ? &value : nullptr; }
    void Formula(PictFieldName, auto& formula, auto&) {
        Add().formula = numeric_ ? nullptr : &formula;
    }
    void Flag(PictFieldName, auto& value, const char*, const char*) { Add().flag = &value; }

    // Those of the form, in `order` (positions in the list) or the list's.
    template <class Each>
    void InOrder(std::span<const std::uint8_t> order, Each each) const {
        for (std::size_t i = 0; i < (order.empty() ? count_ : order.size()); ++i) {
            const Member& m = all_.at(order.empty() ? i : order[i]);
            if (m.point || m.real || m.formula || m.flag) each(m);
        }
    }

  private:
    // Members of the other form take their place, so that positions hold.
    Member& Add() { return all_.at(count_++) = Member{}; }
    bool numeric_;
    std::array<Member, 8> all_;  // the first count_ are set
    std::size_t count_ = 0;
};

// Each stored value in one direction: reading fills the member, writing
// stores it; so one walk serves both.
void Transfer(CArchiveReader& ar, std::int32_t& value) {
    value = LoadInt(ar);
}
void Transfer(CArchiveWriter& ar, const std::int32_t& value) {
    StoreInt(ar, value);
}
void Transfer(CArchiveReader& ar, float& value) {
    value = LoadReal(ar);
}
void Transfer(CArchiveWriter& ar, const float& value) {
    StoreReal(ar, value);
}
void Transfer(CArchiveReader& ar, FormulaText& text) {
    text = ar.ReadString();
}
void Transfer(CArchiveWriter& ar, const FormulaText& text) {
    ar.WriteString(text);
}

// A point: its flag, then its two values or its two formulas.
template <class Archive, class Point>
void TransferPoint(Archive& ar, Point& point, bool numeric) {
    Transfer(ar, point.nCoord);
    if (numeric) {
        Transfer(ar, point.fValue1);
        Transfer(ar, point.fValue2);
    } else {
        Transfer(ar, point.strFormula1);
        Transfer(ar, point.strFormula2);
    }
}

// The members of `form` as the class's list and stored order give them.
template <class Class, class Archive, class Self>
void TransferMembers(Archive& ar, Self& self, PictForm form) {
    FormMembers<std::is_const_v<Self>> members(form);
    Class::ListFields(self, members);
    std::span<const std::uint8_t> order;
    if constexpr (requires { Class::kStoredOrder; }) order = Class::kStoredOrder;
    bool numeric = form == PictForm::kNumeric;
    members.InOrder(order, [&](const auto& m) {
        if (m.point)
            TransferPoint(ar, *m.point, numeric);
        else if (m.real)
            Transfer(ar, *m.real);
        else if (m.formula)
            Transfer(ar, *m.formula);
        else
            Transfer(ar, *m.flag);
    });
}

}  // namespace

void CPict::LoadBase(CArchiveReader& ar) {
    LoadVersion(ar, kRecord, u"1.00");
    strZoneTag = ar.ReadString();
}

void CPict::Load(CArchiveReader& ar) {
    LoadBase(ar);
    LoadVersion(ar, kRecord, NumericVersion());
    LoadMembers(ar, PictForm::kNumeric);
}

void CPict::LoadFormula(CArchiveReader& ar) {
    LoadVersion(ar, kRecord, u"1.00");
    LoadMembers(ar, PictForm::kFormula);
}

template <class Derived, PictKind kKind>
void PictOf<Derived, kKind>::LoadMembers(CArchiveReader& ar, PictForm form) {
    TransferMembers<Derived>(ar, static_cast<Derived&>(*this), form);
}

template <class Derived, PictKind kKind>
void PictOf<Derived, kKind>::StoreMembers(CArchiveWriter& ar, PictForm form) const {
    TransferMembers<Derived>(ar, static_cast<const Derived&>(*this), form);
}

template class PictOf<CPictMho, kPictMho>;
template class PictOf<CPictLine, kPictLine>;
template class PictOf<CPictArc, kPictArc>;
template class PictOf<CPictLens, kPictLens>;

void CPict::Store(CArchiveWriter& ar) const {
    ar.WriteString(u"1.00");
    ar.WriteString(strZoneTag);
    ar.WriteString(NumericVersion());
    StoreMembers(ar, PictForm::kNumeric);
}

void CPict::StoreFormula(CArchiveWriter& ar) const {
    ar.WriteString(u"1.00");
    StoreMembers(ar, PictForm::kFormula);
}

void CPictLine::Load(CArchiveReader& ar) {
    LoadBase(ar);
    if (LoadVersion(ar, kRecord, NumericVersion(), u"1.00") != u"1.00") {
        LoadMembers(ar, PictForm::kNumeric);
        return;
    }
    // The older two-point line: the line runs through Z1 along Z1 - Z2.
    TransferPoint(ar, ptZ1, true);
    TransferPoint(ar, ptZ2, true);
    PolarValue d = SubPolar(ptZ1.Polar(), ptZ2.Polar());
    ptZ = ptZ1;
    fInclination = d.ang;
}

std::unique_ptr<CPict> CreatePict(std::int32_t kind) {
    switch (kind) {
        case kPictMho:
            return std::make_unique<CPictMho>();
        case kPictLine:
            return std::make_unique<CPictLine>();
        case kPictArc:
            return std::make_unique<CPictArc>();
        case kPictLens:
            return std::make_unique<CPictLens>();
        default:
            return nullptr;
    }
}

namespace {

const char* const kKindNames[] = {"mho", "line", "arc", "lens"};

}  // namespace

const char* PictKindName(std::int32_t kind) {
    return kind >= 0 && kind < std::int32_t(std::size(kKindNames)) ? kKindNames[kind] : nullptr;
}

std::int32_t PictKindOfName(std::string_view name) {
    if (name == "circle") return kPictMho;
    for (std::int32_t k = 0; k < std::int32_t(std::size(kKindNames)); ++k)
        if (name == kKindNames[k]) return k;
    return -1;
}

std::int32_t ReadPicts(CArchiveReader& ar, PictForm form, UnknownPict unknown,
                       const std::function<void(std::unique_ptr<CPict>)>& take) {
    std::int32_t count = ar.ReadInt32();
    for (std::int32_t i = 0; i < count; ++i) {
        std::size_t at = ar.Offset();
        std::int32_t kind = ar.ReadInt32();
        std::unique_ptr<CPict> pict = CreatePict(kind);
        if (!pict) {
            if (unknown == UnknownPict::kPassedOver) continue;
            throw ArchiveError(at, "unknown element kind " + std::to_string(kind));
        }
        if (form == PictForm::kNumeric)
            pict->Load(ar);
        else
            pict->LoadFormula(ar);
        take(std::move(pict));
    }
    return count;
}

std::int32_t LoadPicts(CArchiveReader& ar, PictList& list, PictForm form) {
    // Every element takes at least its kind code and one version string: a
    // count that cannot fit fails before anything is read.
    {
        CArchiveReader ahead = ar;
        ahead.CheckCount(ahead.ReadInt32(), 5);
    }
    PictList read;
    std::int32_t count = ReadPicts(ar, form, UnknownPict::kBroken,
                                   [&](std::unique_ptr<CPict> p) { read.push_back(std::move(p)); });
    for (auto& p : read) list.push_back(std::move(p));
    return count;
}

void StorePicts(CArchiveWriter& ar, std::span<const CPict* const> picts, PictForm form) {
    ar.WriteInt32(std::int32_t(picts.size()));
    for (const CPict* p : picts) {
        ar.WriteInt32(p->Kind());
        if (form == PictForm::kNumeric)
            p->Store(ar);
        else
            p->StoreFormula(ar);
    }
}

void StorePicts(CArchiveWriter& ar, const PictList& list, PictForm form) {
    std::vector<const CPict*> all;
    all.reserve(list.size());
    for (const auto& p : list) all.push_back(p.get());
    StorePicts(ar, all, form);
}

PictList ClonePicts(const PictList& list) {
    PictList copy;
    copy.reserve(list.size());
    for (const auto& p : list) copy.push_back(p->Clone());
    return copy;
}

std::int32_t CharKindOf(const PictList& list, std::int32_t otherwise) {
    auto kindOf = [](const CPict& p) {
        switch (p.Kind()) {
            case kPictMho:
                return kCharCircle;
            case kPictLens:
                return kCharLens;
            default:
                return kCharPolygon;
        }
    };
    if (list.empty()) return otherwise;
    std::int32_t kind = kindOf(*list.front());
    for (const auto& p : list)
        if (kindOf(*p) != kind) return otherwise;
    return kind;
}

}  // namespace qz
