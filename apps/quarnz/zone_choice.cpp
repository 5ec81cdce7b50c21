#include "apps/quarnz/zone_choice.h"

#include "apps/quarnz/files.h"

namespace quarnz {

std::vector<ChosenZone> ChooseZones(const qz::CZoneLists& lists, const ZoneChoice& choice,
                                    const ChoiceRules& rules) {
    qz::Text wantedTag;
    if (!choice.zone.empty()) {
        try {
            wantedTag = qz::FromUtf8(choice.zone);
        } catch (const qz::TextError& e) {
            Fail("--zone", e.what());
        }
    }
    if (choice.row > lists.arrZones.size())
        Fail(choice.file, "no row " + std::to_string(choice.row) + "; the file has " +
                              std::to_string(lists.arrZones.size()) + " zones");
    const bool chosen = choice.Chosen();
    std::vector<ChosenZone> zones;
    for (std::size_t i = 0; i < lists.arrZones.size(); ++i) {
        const qz::CZone& zone = *lists.arrZones[i];
        if (!choice.zone.empty() && zone.strTag.str() != wantedTag) continue;
        if (choice.row > 0 && i + 1 != choice.row) continue;
        if (rules.shownOnly && zone.nShow == 0) continue;
        ChosenZone z{i + 1, &zone, {}};
        for (const auto& pict : lists.arrPicts)
            if (pict->strZoneTag.str() == zone.strTag.str()) z.elements.push_back(pict.get());
        if (chosen && rules.needElements && z.elements.empty())
            Fail(choice.file, "zone " + qz::ToUtf8Lossy(zone.strTag) + " has no elements");
        zones.push_back(std::move(z));
        if (chosen) break;
    }
    if (zones.empty())
        Fail(choice.file, !choice.zone.empty() ? "no zone tagged " + choice.zone : rules.none);
    return zones;
}

void AddZoneChoice(CLI::App* cmd, ZoneChoice& choice) {
    cmd->add_option("FILE", choice.file, "the zone parameter file")->required();
    CLI::Option* zone = cmd->add_option("--zone", choice.zone, "the first zone with this tag");
    cmd->add_option("--row", choice.row, "the zone of this row (from 1)")
        ->check(CLI::PositiveNumber)
        ->excludes(zone);
}

}  // namespace quarnz
