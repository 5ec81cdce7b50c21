#include "zones/describe.h"

#include <algorithm>
#include <vector>

namespace qz {

namespace {

const char* const kCharKindNames[] = {"圆", "多边形", "透镜"};

std::string Point(const PictPoint& p, bool formulas) {
    if (formulas)
        return FormatUtf8("%s(%s, %s)", p.nCoord == 0 ? "polar" : "rect",
                          ToUtf8Lossy(p.strFormula1).c_str(), ToUtf8Lossy(p.strFormula2).c_str());
    if (p.nCoord == 0) return FormatUtf8("%.3fΩ ∠ %.3f°", double(p.fValue1), double(p.fValue2));
    return FormatUtf8("(%.3f, %.3f)Ω", double(p.fValue1), double(p.fValue2));
}

std::string Describe(const CPict& pict, bool formulas) {
    auto value = [&](float v, const FormulaText& f, const char* unit) {
        return formulas ? ToUtf8Lossy(f) : FormatUtf8("%.3f%s", double(v), unit);
    };
    switch (pict.nKind) {
        case kPictMho: {
            auto& m = static_cast<const CPictMho&>(pict);
            return "circle  Z1 = " + Point(m.ptZ1, formulas) + "  Z2 = " + Point(m.ptZ2, formulas) +
                   "  deflection = " + value(m.fShiftAngle, m.strShiftAngle, "°");
        }
        case kPictLine: {
            auto& l = static_cast<const CPictLine&>(pict);
            std::string s =
                "line    Z1 = " + Point(l.ptZ1, formulas) + "  Z2 = " + Point(l.ptZ2, formulas);
            if (!formulas)
                s += "  Z = " + Point(l.ptZ, false) +
                     FormatUtf8("  inclination = %.3f°", double(l.fInclination));
            return s;
        }
        case kPictArc: {
            auto& a = static_cast<const CPictArc&>(pict);
            return "arc     Z0 = " + Point(a.ptZ0, formulas) +
                   "  radius = " + value(a.fRadius, a.strRadius, "Ω") +
                   "  Z1 = " + Point(a.ptZ1, formulas) + "  Z2 = " + Point(a.ptZ2, formulas) +
                   (a.nClockwise ? "  clockwise" : "  counter-clockwise");
        }
        case kPictLens: {
            auto& l = static_cast<const CPictLens&>(pict);
            std::string s = "lens    Z1 = " + Point(l.ptZ1, formulas) +
                            "  Z2 = " + Point(l.ptZ2, formulas) +
                            "  inner angle = " + value(l.fInnerAngle, l.strInnerAngle, "°");
            if (!formulas)
                s += FormatUtf8("  A = %.3fΩ  A/B = %.3f", double(l.fWidthA), double(l.fRatioAB));
            return s;
        }
        default:
            return FormatUtf8("kind %d", int(pict.nKind));
    }
}

// Columns of a terminal: CJK and other wide characters take two.
std::size_t Width(const std::string& utf8) {
    Text t = FromUtf8(utf8);
    std::size_t w = 0;
    for (char16_t c : t) {
        if (c >= 0xDC00 && c <= 0xDFFF) continue;
        w += (c >= 0x1100 &&
              (c <= 0x115F || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
               (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFF60)))
                 ? 2
                 : 1;
    }
    return w;
}

std::string Pad(const std::string& s, std::size_t width) {
    std::size_t w = Width(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

}  // namespace

std::string DescribeSetting(const CZone& z) {
    double a = z.Zzd_1, b = z.Zzd_2, c = z.Zzd_3;
    switch (z.Zzd_Mode) {
        case 0:
            return FormatUtf8("Zzd = %.3fΩ ∠ %.3f°, 偏转角 = %.3f °", a, b, c);
        case 1:
            return FormatUtf8("Rzd = %.3fΩ, Xzd = %.3fΩ", a, b);
        case 2:
            return FormatUtf8("Zzd = %.3fΩ ∠ %.3f°, Rzd = %.3fΩ", a, b, c);
        case 3:
            return FormatUtf8("Rzd = %.3fΩ, Xzd = %.3fΩ, 正序阻抗角 = %.3f °", a, b, c);
        default:
            return FormatUtf8("mode %d", int(z.Zzd_Mode));
    }
}

std::string DescribePict(const CPict& pict, PictForm form) {
    return Describe(pict, form == PictForm::kFormula);
}

std::string DescribeZoneLists(const CZoneLists& lists) {
    std::string out = FormatUtf8("Allowed error: %.3f %%\n", double(lists.fAllowedError) * 100);
    std::vector<std::vector<std::string>> rows = {
        {"Row", "Show", "Tag", "Name", "Setting", "Characteristic"}};
    for (std::size_t i = 0; i < lists.arrZones.size(); ++i) {
        const CZone& z = *lists.arrZones[i];
        int k = z.nCharKind;
        rows.push_back({std::to_string(i + 1), z.nShow ? "√" : "", ToUtf8Lossy(z.strTag),
                        ToUtf8Lossy(z.strZoneName), DescribeSetting(z),
                        k >= 0 && k <= 2 ? kCharKindNames[k] : std::to_string(k)});
    }
    std::vector<std::size_t> widths(rows[0].size(), 0);
    for (const auto& r : rows)
        for (std::size_t c = 0; c < r.size(); ++c) widths[c] = std::max(widths[c], Width(r[c]));
    for (const auto& r : rows) {
        std::string line;
        for (std::size_t c = 0; c < r.size(); ++c)
            line += (c ? "  " : "") + Pad(r[c], c + 1 < r.size() ? widths[c] : 0);
        out += line + "\n";
    }
    auto elementsOf = [&](TextView tag) {
        bool any = false;
        for (const auto& p : lists.arrPicts)
            if (p->strZoneTag == tag) out += "    " + DescribePict(*p) + "\n", any = true;
        if (!any) out += "    (none)\n";
    };
    for (const auto& z : lists.arrZones) {
        out += "\nElements of " + ToUtf8Lossy(z->strTag) + ":\n";
        elementsOf(z->strTag);
    }
    bool header = false;
    for (const auto& p : lists.arrPicts) {
        bool owned = std::any_of(lists.arrZones.begin(), lists.arrZones.end(),
                                 [&](const auto& z) { return z->strTag == p->strZoneTag; });
        if (owned) continue;
        if (!header) out += "\nElements of no zone:\n";
        header = true;
        out += "    [" + ToUtf8Lossy(p->strZoneTag) + "] " + DescribePict(*p) + "\n";
    }
    return out;
}

std::string DescribePictList(const PictList& picts, PictForm form) {
    std::string out;
    for (const auto& p : picts) out += DescribePict(*p, form) + "\n";
    return out;
}

}  // namespace qz
