// my_dll_ZoneSet: load the host's zone file, run the zone settings dialog,
// write the zone parameter file on OK.
#pragma once

#include "app/app.h"

namespace qz {

// 1 when the user confirmed with OK, else 0.  `zoneFile` may be null.
int RunZoneSet(CQuarnZGraphApp& app, const char16_t* zoneFile);

}  // namespace qz
