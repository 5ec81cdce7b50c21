#include "records/zone.h"

namespace qz {

void CZone::Load(CArchiveReader& ar) {
    bool old = LoadVersion(ar, "zone", u"1.10", u"1.00") == u"1.00";
    nShow = LoadInt(ar);
    strTag = ar.ReadString();
    strZoneName = ar.ReadString();
    nID = LoadInt(ar);
    Zzd_Mode = LoadInt(ar);
    Zzd_1 = LoadReal(ar);
    Zzd_2 = LoadReal(ar);
    Zzd_3 = LoadReal(ar);
    // The old records knew no kind: a polar setting was a circle.
    if (old)
        nCharKind = Zzd_Mode >= 1 && Zzd_Mode <= 3 ? kCharPolygon : kCharCircle;
    else
        nCharKind = LoadInt(ar);
}

void CZone::Store(CArchiveWriter& ar) const {
    ar.WriteString(u"1.10");
    StoreInt(ar, nShow);
    ar.WriteString(strTag);
    ar.WriteString(strZoneName);
    StoreInt(ar, nID);
    StoreInt(ar, Zzd_Mode);
    StoreReal(ar, Zzd_1);
    StoreReal(ar, Zzd_2);
    StoreReal(ar, Zzd_3);
    StoreInt(ar, nCharKind);
}

Text SettingText(const CZone& z, SettingLayout layout) {
    double v1 = z.Zzd_1, v2 = z.Zzd_2, v3 = z.Zzd_3;
    Text cell;
    switch (z.Zzd_Mode) {
        case 0:
            cell = Format(" Zzd = %.3fΩ ∠ %.3f°, \r\n\r\n 偏转角 = %.3f °", v1, v2, v3);
            break;
        case 1:
            cell = Format(" Rzd = %.3fΩ, \r\n\r\n Xzd = %.3fΩ", v1, v2);
            break;
        case 2:
            cell = Format(" Zzd = %.3fΩ ∠ %.3f°, \r\n\r\n Rzd = %.3fΩ ", v1, v2, v3);
            break;
        case 3:
            cell = Format(" Rzd = %.3fΩ, \r\n\r\n Xzd = %.3fΩ, 正序阻抗角 = %.3f °", v1, v2, v3);
            break;
        default:
            return layout == SettingLayout::kTableCell ? Text()
                                                       : Format("mode %d", int(z.Zzd_Mode));
    }
    if (layout == SettingLayout::kTableCell) return cell;
    // One line: the cell without its padding and with its line break as one space.
    constexpr TextView kBreak = u" \r\n\r\n ";
    std::size_t at = cell.find(kBreak);
    cell.replace(at, kBreak.size(), u" ");
    std::size_t first = cell.find_first_not_of(u' '), last = cell.find_last_not_of(u' ');
    return cell.substr(first, last + 1 - first);
}

}  // namespace qz
