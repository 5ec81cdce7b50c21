#include "templates/template_db.h"

namespace qz {

std::vector<Text> CTemplateDatabase::Manufacturers() {
    return QueryColumn(kSelectManufacturers, {});
}

std::vector<Text> CTemplateDatabase::ProtSorts(TextView manufacturer) {
    const TemplateValue values[] = {manufacturer};
    return QueryColumn(kSelectProtSorts, values);
}

std::vector<Text> CTemplateDatabase::ProtModels(TextView manufacturer, TextView sort) {
    const TemplateValue values[] = {manufacturer, sort};
    return QueryColumn(kSelectProtModels, values);
}

std::vector<CRecordset_Distance> CTemplateDatabase::Zones(TextView manufacturer, TextView sort,
                                                          TextView model) {
    const TemplateValue values[] = {manufacturer, sort, model};
    return QueryRows(kSelectZones, values, 0);
}

std::optional<CRecordset_Distance> CTemplateDatabase::Zone(std::int32_t id) {
    const TemplateValue values[] = {id};
    std::vector<CRecordset_Distance> rows = QueryRows(kSelectZone, values, 1);
    if (rows.empty()) return std::nullopt;
    return std::move(rows.front());
}

std::vector<CRecordset_Distance> CTemplateDatabase::AllRows() {
    return QueryRows(kSelectAllRows, {}, 0);
}

}  // namespace qz
