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
    // What was read writes back and reads again to the same bytes.
    std::vector<std::uint8_t> once = lists.ZoneFileBytes();
    qz::CZoneLists again;
    again.AppendZoneFileBytes(once.data(), once.size());
    if (again.ZoneFileBytes() != once) std::abort();
    return 0;
}
