// Choosing a zone parameter file's zones by tag or row, as every command
// that takes --zone and --row does.
#pragma once

#include <string>
#include <vector>

#include "apps/quarnz/commands.h"
#include "records/pict.h"
#include "zones/zone_list.h"

namespace quarnz {

struct ZoneChoice {
    std::string file, zone;
    std::size_t row = 0;
    bool Chosen() const { return !zone.empty() || row > 0; }
};

struct ChosenZone {
    std::size_t row;  // from 1
    const qz::CZone* zone;
    std::vector<const qz::CPict*> elements;
};

struct ChoiceRules {
    bool shownOnly = false;     // leave out the zones whose display tick is off
    bool needElements = false;  // refuse a chosen zone that has none
    // What the file has none of, e.g. "no zones to plot".
    std::string none = "no zones";
};

// The zone chosen by tag or row, or every zone when neither is given; Fail
// for a tag or row the file lacks, or when nothing is left.
std::vector<ChosenZone> ChooseZones(const qz::CZoneLists& lists, const ZoneChoice& choice,
                                    const ChoiceRules& rules = {});

// FILE, --zone TAG and --row N.
void AddZoneChoice(CLI::App* cmd, ZoneChoice& choice);

}  // namespace quarnz
