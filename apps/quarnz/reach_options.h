// The options reach, shots and plot share: angles and the reach's band.
#pragma once

#include <string>
#include <vector>

#include "apps/quarnz/commands.h"
#include "records/region.h"
#include "zones/zone_list.h"

namespace quarnz {

// A finite number, or Fail naming the option.
double ParseNumber(const std::string& option, const std::string& text);
// --angles FROM:TO:STEP in degrees, each angle counted from FROM.
std::vector<double> ParseAngleRange(const std::string& text);

// --angles FROM:TO:STEP or --angle A, repeated.
void AddAngleChoice(CLI::App* cmd, std::string& range, std::vector<std::string>& list);

struct ToleranceChoice {
    std::string tolerance, rx;
};
void AddToleranceChoice(CLI::App* cmd, ToleranceChoice& choice);
// The band the choice gives, by default the file's allowed error.
qz::ReachTolerance ToleranceOf(const ToleranceChoice& choice, const qz::CZoneLists& lists);

}  // namespace quarnz
