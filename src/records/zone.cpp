#include "records/zone.h"

namespace qz {

void CZone::Load(CArchiveReader& ar) {
    bool old = LoadVersion(ar, "zone", u"1.10", u"1.00") == u"1.00";
    nShow = LoadInt(ar);
    strTag = ar.ReadString();
    strZoneName = ar.ReadString();
    nID = LoadInt(ar);
    setting.Zzd_Mode = LoadInt(ar);
    setting.Zzd_1 = LoadReal(ar);
    setting.Zzd_2 = LoadReal(ar);
    setting.Zzd_3 = LoadReal(ar);
    // The old records knew no kind: a polar setting was a circle.
    if (old)
        nCharKind = setting.Zzd_Mode >= 1 && setting.Zzd_Mode <= 3 ? kCharPolygon : kCharCircle;
    else
        nCharKind = LoadInt(ar);
}

void CZone::Store(CArchiveWriter& ar) const {
    ar.WriteString(u"1.10");
    StoreInt(ar, nShow);
    ar.WriteString(strTag);
    ar.WriteString(strZoneName);
    StoreInt(ar, nID);
    StoreInt(ar, setting.Zzd_Mode);
    StoreReal(ar, setting.Zzd_1);
    StoreReal(ar, setting.Zzd_2);
    StoreReal(ar, setting.Zzd_3);
    StoreInt(ar, nCharKind);
}

}  // namespace qz
