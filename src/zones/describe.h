// Readable text of zones and elements, for terminals and logs.
#pragma once

#include <string>

#include "records/pict.h"
#include "zones/zone_list.h"

namespace qz {

// One line: the setting of a zone by its mode, e.g. "Zzd = 10.000Ω ∠ 78.000°, 偏转角 = 0.000 °".
std::string DescribeSetting(const CZone& zone);
// One line: kind and parameters of an element (points in their own form),
// or its formulas.
std::string DescribePict(const CPict& pict, PictForm form = PictForm::kNumeric);
// The allowed error, the zone table and each zone's elements (UTF-8, with
// a trailing newline).  Elements whose tag no zone carries are listed last.
std::string DescribeZoneLists(const CZoneLists& lists);
// An element list, one line per element.
std::string DescribePictList(const PictList& picts, PictForm form);

}  // namespace qz
