// The import dialog's tests on both backends: a template library in memory
// that answers the statements as the real backends do, its rows, and the
// session a user plays at the dialog on them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/archive.h"
#include "records/pict.h"
#include "templates/template_db.h"

namespace qztest {

class MemoryTemplates : public qz::CTemplateDatabase {
  public:
    std::vector<qz::CRecordset_Distance> rows;
    int statements = 0;
    int failAt = 0;      // the statement, counted from 1, that fails; 0: none
    qz::Text failState;  // the driver's state it fails with
    std::string_view Backend() const override { return "memory"; }

  protected:
    std::vector<qz::Text> QueryColumn(const char* statement,
                                      std::span<const qz::TemplateValue> values) override {
        Count();
        // By text: a literal's address may differ between modules.
        std::string_view sql(statement);
        std::set<qz::Text> distinct;
        for (const auto& r : rows) {
            if (sql == qz::kSelectManufacturers)
                distinct.insert(r.strManufacturer);
            else if (sql == qz::kSelectProtSorts && r.strManufacturer == Arg(values, 0))
                distinct.insert(r.strProtSort);
            else if (sql == qz::kSelectProtModels && r.strManufacturer == Arg(values, 0) &&
                     r.strProtSort == Arg(values, 1))
                distinct.insert(r.strProtModel);
        }
        return {distinct.begin(), distinct.end()};
    }
    std::vector<qz::CRecordset_Distance> QueryRows(const char* statement,
                                                   std::span<const qz::TemplateValue> values,
                                                   std::size_t limit,
                                                   qz::RowColumns columns) override {
        Count();
        std::string_view sql(statement);
        std::vector<qz::CRecordset_Distance> out;
        for (const auto& r : rows)
            if (sql == qz::kSelectZone
                    ? r.nID == std::get<std::int32_t>(values[0])
                    : r.strManufacturer == Arg(values, 0) && r.strProtSort == Arg(values, 1) &&
                          r.strProtModel == Arg(values, 2))
                out.push_back(r);
        if (sql == qz::kSelectZones)
            std::ranges::stable_sort(out, {}, &qz::CRecordset_Distance::strZoneName);
        if (limit && out.size() > limit) out.resize(limit);
        if (columns == qz::RowColumns::kIdAndName)
            for (auto& r : out) {
                qz::CRecordset_Distance leaf;
                leaf.nID = r.nID;
                leaf.strZoneName = r.strZoneName;
                r = std::move(leaf);
            }
        return out;
    }

  private:
    static qz::TextView Arg(std::span<const qz::TemplateValue> values, std::size_t i) {
        return std::get<qz::TextView>(values[i]);
    }
    void Count() {
        if (++statements == failAt)
            throw qz::CDBException(u"[ODBC] 驱动程序: 连接已断开", failState);
    }
};

// A characteristic in formula form: per element its kind code, then its
// formula form; a code without an element stands alone.
inline std::vector<std::uint8_t> FormulaBlock(
    const std::vector<std::pair<std::int32_t, const qz::CPict*>>& items) {
    std::vector<std::uint8_t> bytes;
    qz::CArchiveWriter ar(bytes);
    ar.WriteInt32(std::int32_t(items.size()));
    for (const auto& [kind, pict] : items) {
        ar.WriteInt32(kind);
        if (pict) pict->StoreFormula(ar);
    }
    return bytes;
}

inline qz::CRecordset_Distance ImportRow(std::int32_t id, qz::Text maker, qz::Text sort,
                                         qz::Text model, qz::Text zone, std::int32_t mode, float v1,
                                         float v2, float v3,
                                         std::vector<std::uint8_t> settings = {}) {
    qz::CRecordset_Distance r;
    r.nID = id;
    r.strManufacturer = std::move(maker);
    r.strProtSort = std::move(sort);
    r.strProtModel = std::move(model);
    r.strZoneName = std::move(zone);
    r.setting = {mode, v1, v2, v3};
    r.ProtSettings = std::move(settings);
    return r;
}

// A mho on the setting, an element of an unknown kind, and a line from
// (ZZD_MAG, 0) out along the setting angle.
inline std::vector<std::uint8_t> MhoAndLine() {
    qz::CPictMho mho;
    mho.ptZ1 = {0, 0, 0, u"ZZD_MAG", u"ZZD_ANG"};
    mho.strShiftAngle = u"ANGSHIFT";
    qz::CPictLine line;
    line.ptZ1 = {1, 0, 0, u"ZZD_MAG", u"0"};
    line.ptZ2 = {0, 0, 0, u"ZZD_MAG*2", u"ZZD_ANG"};
    return FormulaBlock({{qz::kPictMho, &mho}, {9, nullptr}, {qz::kPictLine, &line}});
}

// Two makers; record id 2 equals the fixed item data of the makers' level.
inline std::vector<qz::CRecordset_Distance> ImportRows() {
    std::vector<std::uint8_t> broken = MhoAndLine();
    broken.resize(broken.size() - 3);
    return {
        ImportRow(7, u"Borealis", u"Line", u"BX-100", u"接地距离 I段", 0, 4, 75, 0, MhoAndLine()),
        ImportRow(8, u"Borealis", u"Line", u"BX-100", u"相间距离 III段", 1, 6, 4, 0),
        ImportRow(9, u"Borealis", u"Line", u"BX-200", u"Earth zone 2", 3, 1, 2, 70, broken),
        ImportRow(2, u"Quillon", u"Busbar", u"QB-1", u"Z", 2, 2.5f, 85, 1, MhoAndLine()),
    };
}

// Preset with record 7 and the setting (5, 80, 10): the caller's values stand
// until another zone is chosen; a value typed is limited and re-evaluates the
// characteristic; Escape and Enter leave the dialog open; confirm.
inline constexpr const char* kImportSession = R"s(
expect-caption "导入--保护区段"
expect-tree 4130 "请选择生产厂家: " Borealis Line BX-100 "接地距离 I段"
expect-expanded 4130 "请选择生产厂家: " Borealis Line BX-100
expect-collapsed 4130 "请选择生产厂家: " Quillon
expect-text 4131 Z1,LE
expect-text 4132 "接地距离 I段"
expect-disabled 4133
expect-list 4133 0
expect-text 4134 "幅值 Zzd_Mag ="
expect-text 4136 "偏转角 AngShift ="
expect-text 4137 "5.000 Ω"
expect-text 4138 "80.000 °"
expect-text 4139 "10.000 °"
tree 4130 "请选择生产厂家: " Borealis Line BX-100 "相间距离 III段"
expect-text 4131 Z3,LL
expect-list 4133 1
expect-text 4134 "Rzd ="
expect-text 4135 "Xzd ="
expect-text 4137 "6.000 Ω"
expect-text 4138 "4.000 Ω"
expect-hidden 4136
expect-hidden 4139
tree 4130 "请选择生产厂家: " Borealis Line
expect-text 4131 ""
expect-text 4132 ""
expect-text 4137 "0.000 Ω"
expect-disabled 4131
expect-disabled 4137
expect-visible 4139
expect-refused type 4137 1
tree 4130 "请选择生产厂家: " Borealis Line BX-100 "接地距离 I段"
expect-enabled 4137
expect-text 4137 "5.000 Ω"
type 4137 "12.5 Ω"
tab
expect-text 4137 "12.500 Ω"
type 4138 370
tab
expect-text 4138 "10.000 °"
type 4139 100
enter
expect-dialog 1001
expect-text 4139 "80.000 °"
type 4137 -5
escape
expect-dialog 1001
expect-text 4137 "12.500 Ω"
type 4131 "  Z1 earth  "
enter
expect-text 4131 "Z1 earth"
type 4138 -370
click 4140
)s";

}  // namespace qztest
