// Any bytes as a zone parameter file: the reader either takes the whole file
// or raises ArchiveError and changes nothing.
#include <cstdint>
#include <cstdlib>

#include "zones/zone_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qz::CZoneLists lists;
    lists.fAllowedError = 0.125f;
    try {
        lists.AppendZoneFileBytes(data, size);
    } catch (const qz::ArchiveError&) {
        if (!lists.arrZones.empty() || !lists.arrPicts.empty() || lists.fAllowedError != 0.125f)
            std::abort();
        return 0;
    }
    // What was read writes back and reads again.  A value that reads as
    // infinite writes as "inf", which reads as 0: stable from the second
    // writing on.
    std::vector<std::uint8_t> once = lists.ZoneFileBytes();
    qz::CZoneLists again, third;
    again.AppendZoneFileBytes(once.data(), once.size());
    std::vector<std::uint8_t> twice = again.ZoneFileBytes();
    third.AppendZoneFileBytes(twice.data(), twice.size());
    if (third.ZoneFileBytes() != twice || again.arrZones.size() != lists.arrZones.size())
        std::abort();
    return 0;
}
