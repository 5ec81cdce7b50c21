#include "records/zone.h"

namespace qz {

void CZone::Serialize(CArchive& ar) {
    bool old = false;
    if (ar.IsStoring()) {
        ar.WriteString(u"1.10");
    } else {
        std::size_t at = ar.Offset();
        Text version = ar.ReadString();
        if (version != u"1.10" && version != u"1.00")
            throw ArchiveError(at, "unknown zone record version \"" + ToUtf8Lossy(version) + "\"");
        old = version == u"1.00";
    }
    SerializeInt(ar, nShow);
    SerializeText(ar, strTag);
    SerializeText(ar, strZoneName);
    SerializeInt(ar, nID);
    SerializeInt(ar, Zzd_Mode);
    SerializeReal(ar, Zzd_1);
    SerializeReal(ar, Zzd_2);
    SerializeReal(ar, Zzd_3);
    if (!old) SerializeInt(ar, nCharKind);
    // The old records knew no kind: a polar setting was a circle.
    else
        nCharKind = Zzd_Mode >= 1 && Zzd_Mode <= 3 ? kCharPolygon : kCharCircle;
}

}  // namespace qz
