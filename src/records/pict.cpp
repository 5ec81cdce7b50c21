#include "records/pict.h"

#include "records/zone.h"

namespace qz {

RectValue PictPoint::Rect() const {
    return nCoord != 0 ? RectValue{fValue1, fValue2} : PolarToRect(fValue1, fValue2);
}

PolarValue PictPoint::Polar() const {
    return nCoord == 0 ? PolarValue{fValue1, fValue2} : RectToPolar(fValue1, fValue2);
}

void PictPoint::LoadValues(CArchiveReader& ar) {
    nCoord = LoadInt(ar);
    fValue1 = LoadReal(ar);
    fValue2 = LoadReal(ar);
}

void PictPoint::StoreValues(CArchiveWriter& ar) const {
    StoreInt(ar, nCoord);
    StoreReal(ar, fValue1);
    StoreReal(ar, fValue2);
}

void PictPoint::LoadFormulas(CArchiveReader& ar) {
    nCoord = LoadInt(ar);
    strFormula1 = ar.ReadString();
    strFormula2 = ar.ReadString();
}

void PictPoint::StoreFormulas(CArchiveWriter& ar) const {
    StoreInt(ar, nCoord);
    ar.WriteString(strFormula1);
    ar.WriteString(strFormula2);
}

namespace {

constexpr const char* kRecord = "element";

}  // namespace

void CPict::Load(CArchiveReader& ar) {
    LoadVersion(ar, kRecord, u"1.00");
    strZoneTag = ar.ReadString();
}

void CPict::Store(CArchiveWriter& ar) const {
    ar.WriteString(u"1.00");
    ar.WriteString(strZoneTag);
}

void CPictMho::Load(CArchiveReader& ar) {
    CPict::Load(ar);
    LoadVersion(ar, kRecord, u"1.00");
    ptZ1.LoadValues(ar);
    ptZ2.LoadValues(ar);
    fShiftAngle = LoadReal(ar);
}

void CPictMho::Store(CArchiveWriter& ar) const {
    CPict::Store(ar);
    ar.WriteString(u"1.00");
    ptZ1.StoreValues(ar);
    ptZ2.StoreValues(ar);
    StoreReal(ar, fShiftAngle);
}

void CPictMho::LoadFormula(CArchiveReader& ar) {
    LoadVersion(ar, kRecord, u"1.00");
    ptZ1.LoadFormulas(ar);
    ptZ2.LoadFormulas(ar);
    strShiftAngle = ar.ReadString();
}

void CPictMho::StoreFormula(CArchiveWriter& ar) const {
    ar.WriteString(u"1.00");
    ptZ1.StoreFormulas(ar);
    ptZ2.StoreFormulas(ar);
    ar.WriteString(strShiftAngle);
}

void CPictLine::Load(CArchiveReader& ar) {
    CPict::Load(ar);
    Text version = LoadVersion(ar, kRecord, u"1.10", u"1.00");
    ptZ1.LoadValues(ar);
    ptZ2.LoadValues(ar);
    if (version == u"1.00") {
        // The older two-point line: the line runs through Z1 along Z1 - Z2.
        PolarValue d = SubPolar(ptZ1.Polar(), ptZ2.Polar());
        ptZ = ptZ1;
        fInclination = d.ang;
        return;
    }
    ptZ.LoadValues(ar);
    fInclination = LoadReal(ar);
}

void CPictLine::Store(CArchiveWriter& ar) const {
    CPict::Store(ar);
    ar.WriteString(u"1.10");
    ptZ1.StoreValues(ar);
    ptZ2.StoreValues(ar);
    ptZ.StoreValues(ar);
    StoreReal(ar, fInclination);
}

void CPictLine::LoadFormula(CArchiveReader& ar) {
    LoadVersion(ar, kRecord, u"1.00");
    ptZ1.LoadFormulas(ar);
    ptZ2.LoadFormulas(ar);
}

void CPictLine::StoreFormula(CArchiveWriter& ar) const {
    ar.WriteString(u"1.00");
    ptZ1.StoreFormulas(ar);
    ptZ2.StoreFormulas(ar);
}

void CPictArc::Load(CArchiveReader& ar) {
    CPict::Load(ar);
    LoadVersion(ar, kRecord, u"1.00");
    ptZ1.LoadValues(ar);
    ptZ2.LoadValues(ar);
    ptZ0.LoadValues(ar);
    fRadius = LoadReal(ar);
    nClockwise = LoadInt(ar);
}

void CPictArc::Store(CArchiveWriter& ar) const {
    CPict::Store(ar);
    ar.WriteString(u"1.00");
    ptZ1.StoreValues(ar);
    ptZ2.StoreValues(ar);
    ptZ0.StoreValues(ar);
    StoreReal(ar, fRadius);
    StoreInt(ar, nClockwise);
}

void CPictArc::LoadFormula(CArchiveReader& ar) {
    LoadVersion(ar, kRecord, u"1.00");
    ptZ1.LoadFormulas(ar);
    ptZ2.LoadFormulas(ar);
    ptZ0.LoadFormulas(ar);
    strRadius = ar.ReadString();
    nClockwise = LoadInt(ar);
}

void CPictArc::StoreFormula(CArchiveWriter& ar) const {
    ar.WriteString(u"1.00");
    ptZ1.StoreFormulas(ar);
    ptZ2.StoreFormulas(ar);
    ptZ0.StoreFormulas(ar);
    ar.WriteString(strRadius);
    StoreInt(ar, nClockwise);
}

void CPictLens::Load(CArchiveReader& ar) {
    CPict::Load(ar);
    LoadVersion(ar, kRecord, u"1.00");
    ptZ1.LoadValues(ar);
    ptZ2.LoadValues(ar);
    fInnerAngle = LoadReal(ar);
    fWidthA = LoadReal(ar);
    fRatioAB = LoadReal(ar);
}

void CPictLens::Store(CArchiveWriter& ar) const {
    CPict::Store(ar);
    ar.WriteString(u"1.00");
    ptZ1.StoreValues(ar);
    ptZ2.StoreValues(ar);
    StoreReal(ar, fInnerAngle);
    StoreReal(ar, fWidthA);
    StoreReal(ar, fRatioAB);
}

void CPictLens::LoadFormula(CArchiveReader& ar) {
    LoadVersion(ar, kRecord, u"1.00");
    ptZ1.LoadFormulas(ar);
    ptZ2.LoadFormulas(ar);
    strInnerAngle = ar.ReadString();
}

void CPictLens::StoreFormula(CArchiveWriter& ar) const {
    ar.WriteString(u"1.00");
    ptZ1.StoreFormulas(ar);
    ptZ2.StoreFormulas(ar);
    ar.WriteString(strInnerAngle);
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

std::int32_t LoadPicts(CArchiveReader& ar, PictList& list, PictForm form) {
    std::int32_t count = ar.ReadInt32();
    // Every element takes at least its kind code and one version string.
    ar.CheckCount(count, 5);
    PictList read;
    for (std::int32_t i = 0; i < count; ++i) {
        std::size_t at = ar.Offset();
        std::int32_t kind = ar.ReadInt32();
        std::unique_ptr<CPict> pict = CreatePict(kind);
        if (!pict) throw ArchiveError(at, "unknown element kind " + std::to_string(kind));
        if (form == PictForm::kNumeric)
            pict->Load(ar);
        else
            pict->LoadFormula(ar);
        read.push_back(std::move(pict));
    }
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
