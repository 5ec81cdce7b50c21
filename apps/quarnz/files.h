// Reading the files quarnz is given.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "zones/zone_list.h"

namespace quarnz {

struct StoredFile {
    bool isZoneFile = false;      // otherwise an element list file
    qz::CZoneLists lists;         // an element list fills only arrPicts
    qz::ZoneFileReading reading;  // of a zone parameter file
};

// Prints "quarnz: SUBJECT: WHAT" as one line on standard error, the texts
// quoted as for any message, and throws Failure.
[[noreturn]] void Fail(const std::string& subject, const std::string& what);

// Refuses, in one line naming it, a file too large to be read whole.
void CheckReadableSize(const std::string& path);

// The whole of a regular file; one that is missing or does not read prints
// one line naming it and throws Failure.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// A JSON document, nested no deeper than any quarnz reads; one that does not
// parse prints one line naming the file and where, and throws Failure.
nlohmann::json ReadJsonFile(const std::string& path);

// Reads a zone parameter file, or an element list file in numeric (or, with
// `formula`, formula) form.  A missing or broken file prints one line naming
// the file and the fault to standard error and throws Failure.
StoredFile ReadStoredFile(const std::string& path, bool formula = false);

// A zone parameter file only.
qz::CZoneLists ReadZoneFile(const std::string& path);

}  // namespace quarnz
