// Readable text of zones and elements, for terminals and logs.
#pragma once

#include <string>

#include "records/pict.h"
#include "zones/zone_list.h"

namespace qz {

// A zone's characteristic kind as the zone table names it ("圆", "多边形",
// "透镜"), or its number when it is none of them.
std::string CharKindText(std::int32_t kind);

// One line: kind and parameters of an element (points in their own form),
// or its formulas.
std::string DescribePict(const CPict& pict, PictForm form = PictForm::kNumeric);
// The allowed error, the zone table and each zone's elements (UTF-8, with
// a trailing newline).  Elements whose tag no zone carries are listed last.
std::string DescribeZoneLists(const CZoneLists& lists);
// An element list, one line per element.
std::string DescribePictList(const PictList& picts, PictForm form);

}  // namespace qz
