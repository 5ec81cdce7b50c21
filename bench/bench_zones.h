// Zone lists as a relay's list has them, for the benchmarks.
#pragma once

#include <memory>
#include <vector>

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
        z->Zzd_Mode = i % 4;
        z->Zzd_1 = 10.5f + float(i % 7);
        z->Zzd_2 = 78;
        for (int kind : kindsOf(i)) {
            std::unique_ptr<qz::CPict> p = qz::CreatePict(kind);
            p->strZoneTag = z->strTag;
            l.arrPicts.push_back(std::move(p));
        }
        l.arrZones.push_back(std::move(z));
    }
    return l;
}

}  // namespace qzbench
