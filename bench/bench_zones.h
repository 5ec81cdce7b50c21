// Zone lists as a relay's list has them, and a lab's template library, for
// the benchmarks.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "records/pict.h"
#include "templates/template_db.h"
#include "zones/zone_list.h"

namespace qzbench {

// `count` zones; zone i gets one element of each kind code kindsOf(i) lists.
template <class KindsOf>
qz::CZoneLists MakeZones(int count, KindsOf kindsOf) {
    qz::CZoneLists l;
    l.fAllowedError = 0.05f;
    for (int i = 0; i < count; ++i) {
        auto z = std::make_unique<qz::CZone>();
        z->strTag = qz::Format("Z%d,LE", i);
        z->strZoneName = qz::Format("接地距离 %d段", i);
        z->setting.Zzd_Mode = i % 4;
        z->setting.Zzd_1 = 10.5f + float(i % 7);
        z->setting.Zzd_2 = 78;
        for (int kind : kindsOf(i)) {
            std::unique_ptr<qz::CPict> p = qz::CreatePict(kind);
            p->strZoneTag = z->strTag;
            l.arrPicts.push_back(std::move(p));
        }
        l.arrZones.push_back(std::move(z));
    }
    return l;
}

// A polygon of 34 lines around a quadrilateral zone, two arcs, two circles
// and two lenses: 40 elements, the graph editor's largest realistic list.
inline qz::PictList Characteristic() {
    using namespace qz;
    PictList list;
    const int sides = 34;
    for (int i = 0; i < sides; ++i) {
        auto line = std::make_unique<CPictLine>();
        double a0 = 2 * kPi * i / sides, a1 = 2 * kPi * (i + 1) / sides;
        auto at = [](double a) {
            return RectValue{float(4 + 9 * std::cos(a)), float(6 + 11 * std::sin(a))};
        };
        RectValue p = at(a0), q = at(a1);
        line->ptZ1 = {1, p.R, p.X};
        line->ptZ2 = {1, q.R, q.X};
        list.push_back(std::move(line));
    }
    for (int i = 0; i < 2; ++i) {
        auto arc = std::make_unique<CPictArc>();
        arc->ptZ0 = {1, float(i), 2};
        arc->fRadius = 6 + float(i);
        arc->ptZ1 = {1, 8, 0};
        arc->ptZ2 = {0, 5, 120};
        arc->nClockwise = i;
        list.push_back(std::move(arc));
        auto mho = std::make_unique<CPictMho>();
        mho->ptZ1 = {0, 12 + 2 * float(i), 75};
        mho->ptZ2 = {0, 2, 255};
        mho->fShiftAngle = 10 * float(i);
        list.push_back(std::move(mho));
        auto lens = std::make_unique<CPictLens>();
        lens->ptZ1 = {0, 15, 80 - 5 * float(i)};
        lens->ptZ2 = {0, 1, 260};
        lens->fInnerAngle = 110 + 20 * float(i);
        list.push_back(std::move(lens));
    }
    return list;
}

// A lab's template library of 20,000 zones: 20 manufacturers, 5 sorts each,
// 25 models each, 8 zones each, a 6-element characteristic every one.
inline std::vector<qz::CRecordset_Distance> LabLibrary() {
    using namespace qz;
    PictList picts;
    for (int k = 0; k < 6; ++k) picts.push_back(CreatePict(k % 4));
    std::vector<std::uint8_t> settings;
    CArchiveWriter ar(settings);
    StorePicts(ar, picts, PictForm::kFormula);
    std::vector<CRecordset_Distance> rows;
    for (int m = 0; m < 20; ++m)
        for (int s = 0; s < 5; ++s)
            for (int d = 0; d < 25; ++d)
                for (int z = 0; z < 8; ++z) {
                    CRecordset_Distance& r = rows.emplace_back();
                    r.nID = static_cast<std::int32_t>(rows.size());
                    r.strManufacturer = Format("Maker %02d", m);
                    r.strProtSort = Format("Sort %d", s);
                    r.strProtModel = Format("M%02d-%d-%02d", m, s, d);
                    r.strZoneName = Format("Z%d earth", z + 1);
                    r.setting.Zzd_Mode = z % 4;
                    r.setting.Zzd_1 = 4.5f;
                    r.ProtSettings = settings;
                    r.strMemo = u"generated";
                }
    return rows;
}

}  // namespace qzbench
