#include "templates/template_db.h"

namespace qz {

template <typename Query>
auto CTemplateDatabase::Statement(Query&& query) -> decltype(query()) {
    try {
        return query();
    } catch (CDBException& e) {
        failed_ = true;
        if (e.m_strState.starts_with(u"08")) e.m_bLostConnection = true;
        throw;
    } catch (...) {
        failed_ = true;
        throw;
    }
}

std::vector<Text> CTemplateDatabase::Manufacturers() {
    return Statement([&] { return QueryColumn(kSelectManufacturers, {}); });
}

std::vector<Text> CTemplateDatabase::ProtSorts(TextView manufacturer) {
    const TemplateValue values[] = {manufacturer};
    return Statement([&] { return QueryColumn(kSelectProtSorts, values); });
}

std::vector<Text> CTemplateDatabase::ProtModels(TextView manufacturer, TextView sort) {
    const TemplateValue values[] = {manufacturer, sort};
    return Statement([&] { return QueryColumn(kSelectProtModels, values); });
}

std::vector<CRecordset_Distance> CTemplateDatabase::Zones(TextView manufacturer, TextView sort,
                                                          TextView model) {
    const TemplateValue values[] = {manufacturer, sort, model};
    return Statement([&] { return QueryRows(kSelectZones, values, 0, RowColumns::kAll); });
}

std::vector<CRecordset_Distance> CTemplateDatabase::ZoneLeaves(TextView manufacturer, TextView sort,
                                                               TextView model) {
    const TemplateValue values[] = {manufacturer, sort, model};
    return Statement([&] { return QueryRows(kSelectZones, values, 0, RowColumns::kIdAndName); });
}

std::optional<CRecordset_Distance> CTemplateDatabase::Zone(std::int32_t id) {
    const TemplateValue values[] = {id};
    std::vector<CRecordset_Distance> rows =
        Statement([&] { return QueryRows(kSelectZone, values, 1, RowColumns::kAll); });
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::vector<CRecordset_Distance> CTemplateDatabase::AllRows() {
    return Statement([&] { return QueryRows(kSelectAllRows, {}, 0, RowColumns::kAll); });
}

}  // namespace qz
