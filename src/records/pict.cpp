#include "records/pict.h"

namespace qz {

RectValue PictPoint::Rect() const {
    return nCoord != 0 ? RectValue{fValue1, fValue2} : PolarToRect(fValue1, fValue2);
}

PolarValue PictPoint::Polar() const {
    return nCoord == 0 ? PolarValue{fValue1, fValue2} : RectToPolar(fValue1, fValue2);
}

void PictPoint::SerializeValues(CArchive& ar) {
    SerializeInt(ar, nCoord);
    SerializeReal(ar, fValue1);
    SerializeReal(ar, fValue2);
}

void PictPoint::SerializeFormulas(CArchive& ar) {
    SerializeInt(ar, nCoord);
    SerializeText(ar, strFormula1);
    SerializeText(ar, strFormula2);
}

namespace {

// Writes `version`, or reads a version and returns it.  A version that is not
// known raises ArchiveError: reading on would misread every byte after it.
Text Version(CArchive& ar, TextView version, TextView older = {}) {
    if (ar.IsStoring()) {
        ar.WriteString(version);
        return Text(version);
    }
    std::size_t at = ar.Offset();
    Text read = ar.ReadString();
    if (read != version && (older.empty() || read != older))
        throw ArchiveError(at, "unknown element record version \"" + ToUtf8Lossy(read) + "\"");
    return read;
}

}  // namespace

void CPict::Serialize(CArchive& ar) {
    Version(ar, u"1.00");
    SerializeText(ar, strZoneTag);
}

void CPictMho::Serialize(CArchive& ar) {
    CPict::Serialize(ar);
    Version(ar, u"1.00");
    ptZ1.SerializeValues(ar);
    ptZ2.SerializeValues(ar);
    SerializeReal(ar, fShiftAngle);
}

void CPictMho::SerializeFormula(CArchive& ar) {
    Version(ar, u"1.00");
    ptZ1.SerializeFormulas(ar);
    ptZ2.SerializeFormulas(ar);
    SerializeText(ar, strShiftAngle);
}

void CPictLine::Serialize(CArchive& ar) {
    CPict::Serialize(ar);
    Text version = Version(ar, u"1.10", u"1.00");
    ptZ1.SerializeValues(ar);
    ptZ2.SerializeValues(ar);
    if (version == u"1.00") {
        // The older two-point line: the line runs through Z1 along Z1 - Z2.
        PolarValue d = SubPolar(ptZ1.Polar(), ptZ2.Polar());
        ptZ = ptZ1;
        fInclination = d.ang;
        return;
    }
    ptZ.SerializeValues(ar);
    SerializeReal(ar, fInclination);
}

void CPictLine::SerializeFormula(CArchive& ar) {
    Version(ar, u"1.00");
    ptZ1.SerializeFormulas(ar);
    ptZ2.SerializeFormulas(ar);
}

void CPictArc::Serialize(CArchive& ar) {
    CPict::Serialize(ar);
    Version(ar, u"1.00");
    ptZ1.SerializeValues(ar);
    ptZ2.SerializeValues(ar);
    ptZ0.SerializeValues(ar);
    SerializeReal(ar, fRadius);
    SerializeInt(ar, nClockwise);
}

void CPictArc::SerializeFormula(CArchive& ar) {
    Version(ar, u"1.00");
    ptZ1.SerializeFormulas(ar);
    ptZ2.SerializeFormulas(ar);
    ptZ0.SerializeFormulas(ar);
    SerializeText(ar, strRadius);
    SerializeInt(ar, nClockwise);
}

void CPictLens::Serialize(CArchive& ar) {
    CPict::Serialize(ar);
    Version(ar, u"1.00");
    ptZ1.SerializeValues(ar);
    ptZ2.SerializeValues(ar);
    SerializeReal(ar, fInnerAngle);
    SerializeReal(ar, fWidthA);
    SerializeReal(ar, fRatioAB);
}

void CPictLens::SerializeFormula(CArchive& ar) {
    Version(ar, u"1.00");
    ptZ1.SerializeFormulas(ar);
    ptZ2.SerializeFormulas(ar);
    SerializeText(ar, strInnerAngle);
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

void SerializePictList(CArchive& ar, PictList& list, PictForm form) {
    if (ar.IsStoring()) {
        std::vector<const CPict*> all;
        for (const auto& p : list) all.push_back(p.get());
        StorePicts(ar, all, form);
        return;
    }
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
            pict->Serialize(ar);
        else
            pict->SerializeFormula(ar);
        read.push_back(std::move(pict));
    }
    for (auto& p : read) list.push_back(std::move(p));
}

void StorePicts(CArchive& ar, const std::vector<const CPict*>& picts, PictForm form) {
    ar.WriteInt32(std::int32_t(picts.size()));
    for (const CPict* p : picts) {
        ar.WriteInt32(p->nKind);
        // Storing reads the fields only; Serialize is not const because it
        // also loads.
        auto* pict = const_cast<CPict*>(p);
        if (form == PictForm::kNumeric)
            pict->Serialize(ar);
        else
            pict->SerializeFormula(ar);
    }
}

}  // namespace qz
