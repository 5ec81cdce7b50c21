// Zone parameter files as JSON: what quarnz show --json prints, quarnz build
// reads back and quarnz diff compares.  Every value is carried exactly: a
// float with its bits, a text with every UTF-16 unit.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "apps/quarnz/json.h"
#include "records/pict.h"
#include "records/zone.h"
#include "zones/zone_list.h"

namespace quarnz {

// A text as a JSON string; one that is not valid UTF-16 (a lone surrogate,
// which no JSON string that readers take can hold) as the array of its units.
nlohmann::ordered_json TextJson(qz::TextView text);

// A zone's members in the order of its record, each as f(name, member) with
// a std::int32_t, a float or a text field.
template <class Zone, class Fields>
void ListZoneMembers(Zone& z, Fields&& f) {
    f("nShow", z.nShow);
    f("strTag", z.strTag);
    f("strZoneName", z.strZoneName);
    f("nID", z.nID);
    f("Zzd_Mode", z.setting.Zzd_Mode);
    f("Zzd_1", z.setting.Zzd_1);
    f("Zzd_2", z.setting.Zzd_2);
    f("Zzd_3", z.setting.Zzd_3);
    f("nCharKind", z.nCharKind);
}

inline nlohmann::ordered_json MemberJson(std::int32_t v) {
    return v;
}
inline nlohmann::ordered_json MemberJson(const float& v) {
    return ExactNumber(v);
}
template <std::size_t N>
nlohmann::ordered_json MemberJson(const qz::TextField<N>& text) {
    return TextJson(text);
}

nlohmann::ordered_json ZoneJson(const qz::CZone& zone);
// Its kind code, its tag and its members under their record names.
nlohmann::ordered_json PictJson(const qz::CPict& pict);

// Where a document fails to be a zone parameter file: `path` names the value
// as "zones[2].Zzd_1" or "elements[0].ptZ1.fValue1".
struct JsonPathError {
    std::string path, what;
};

// The zone lists of a document as show --json prints a zone parameter file:
// every member required but the formulas, which the file does not keep, and
// none unknown.  Raises JsonPathError.
qz::CZoneLists ZoneListsFromJson(const nlohmann::json& doc);

}  // namespace quarnz
