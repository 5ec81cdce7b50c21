#include "zones/describe.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qz {

namespace {

const char* const kCharKindNames[] = {"圆", "多边形", "透镜"};

std::string PointText(const PictPoint& p, bool formulas) {
    if (formulas)
        return FormatUtf8("%s(%s, %s)", p.nCoord == 0 ? "polar" : "rect",
                          ToUtf8Lossy(p.strFormula1).c_str(), ToUtf8Lossy(p.strFormula2).c_str());
    if (p.nCoord == 0) return FormatUtf8("%.3fΩ ∠ %.3f°", double(p.fValue1), double(p.fValue2));
    return FormatUtf8("(%.3f, %.3f)Ω", double(p.fValue1), double(p.fValue2));
}

// The members of the numeric form as values, those of the formula form as
// formulas, each after two spaces.
class Description final : public PictFieldVisitor {
  public:
    Description(std::string& out, bool formulas) : out_(out), formulas_(formulas) {}

    void Point(PictFieldName name, const PictPoint& point, bool inFormulaForm) override {
        if (!formulas_ || inFormulaForm) Add(name, PointText(point, formulas_));
    }
    void Real(PictFieldName name, const char* unit, const float& value) override {
        if (!formulas_) Add(name, FormatUtf8("%.3f%s", double(value), unit));
    }
    void Formula(PictFieldName name, const FormulaText& formula, const float&) override {
        if (formulas_) Add(name, ToUtf8Lossy(formula));
    }
    void Flag(PictFieldName, const std::int32_t& value, const char* ifZero,
              const char* otherwise) override {
        out_ += std::string("  ") + (value ? otherwise : ifZero);
    }

  private:
    void Add(PictFieldName name, const std::string& value) {
        out_ += std::string("  ") + name.label + " = " + value;
    }
    std::string& out_;
    bool formulas_;
};

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

std::string CharKindText(std::int32_t kind) {
    return kind >= 0 && kind <= 2 ? kCharKindNames[kind] : std::to_string(kind);
}

std::string DescribePict(const CPict& pict, PictForm form) {
    const char* name = PictKindName(pict.Kind());
    if (!name) return FormatUtf8("kind %d", int(pict.Kind()));
    // The kind in a column of six, so that the members line up.
    std::string out = FormatUtf8("%-6s", name);
    Description fields(out, form == PictForm::kFormula);
    pict.VisitFields(fields);
    return out;
}

std::string DescribeZoneLists(const CZoneLists& lists) {
    std::string out = FormatUtf8("Allowed error: %.3f %%\n", double(lists.fAllowedError) * 100);
    // The table's cells row after row, the header first.
    constexpr std::size_t kColumns = 6;
    std::vector<std::string> cells = {"Row", "Show", "Tag", "Name", "Setting", "Characteristic"};
    cells.reserve((lists.arrZones.size() + 1) * kColumns);
    for (std::size_t i = 0; i < lists.arrZones.size(); ++i) {
        const CZone& z = *lists.arrZones[i];
        std::int32_t k = z.nCharKind;
        cells.push_back(std::to_string(i + 1));
        cells.push_back(z.nShow ? "√" : "");
        cells.push_back(ToUtf8Lossy(z.strTag));
        cells.push_back(ToUtf8Lossy(z.strZoneName));
        cells.push_back(ToUtf8Lossy(SettingText(z.setting, SettingLayout::kOneLine)));
        cells.push_back(CharKindText(k));
    }
    std::size_t widths[kColumns] = {};
    for (std::size_t i = 0; i < cells.size(); ++i)
        widths[i % kColumns] = std::max(widths[i % kColumns], Width(cells[i]));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        std::size_t c = i % kColumns;
        if (c) out += "  ";
        out += Pad(cells[i], c + 1 < kColumns ? widths[c] : 0);
        if (c + 1 == kColumns) out += '\n';
    }
    // Each tag's elements in list order, gathered in one pass: a scan of
    // the whole list per zone would be quadratic.
    // Each tag's first element, and each element's next one of its tag.
    const PictList& picts = lists.arrPicts;
    constexpr std::size_t kNone = std::size_t(-1);
    std::unordered_map<TextView, std::size_t> first;
    first.reserve(lists.arrZones.size());
    std::vector<std::size_t> next(picts.size(), kNone);
    for (std::size_t i = picts.size(); i-- > 0;) {
        auto [at, added] = first.try_emplace(picts[i]->strZoneTag, i);
        if (!added) next[i] = std::exchange(at->second, i);
    }
    for (const auto& z : lists.arrZones) {
        out += "\nElements of ";
        out += ToUtf8Lossy(z->strTag);
        out += ":\n";
        auto found = first.find(z->strTag);
        if (found == first.end()) {
            out += "    (none)\n";
            continue;
        }
        for (std::size_t i = found->second; i != kNone; i = next[i]) {
            out += "    ";
            out += DescribePict(*picts[i]);
            out += '\n';
        }
    }
    std::unordered_set<TextView> zoneTags;
    zoneTags.reserve(lists.arrZones.size());
    for (const auto& z : lists.arrZones) zoneTags.insert(z->strTag);
    bool header = false;
    for (const auto& p : lists.arrPicts) {
        if (zoneTags.contains(p->strZoneTag)) continue;
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
