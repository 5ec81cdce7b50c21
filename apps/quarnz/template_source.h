// The readable JSON source of a template library, as quarnz template build
// and push read it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "templates/template_db.h"

namespace quarnz {

// A zone's id travels through a float in the host, exact only up to 2^24.
inline constexpr std::int64_t kMaxId = 16777216;

// The rows of a JSON source; a row that does not read or evaluate is named
// and nothing is returned, as for a source with no zones unless `allowEmpty`.
// A refused source prints one line naming it and throws Failure.
std::vector<qz::CRecordset_Distance> ReadJsonSource(const std::string& source, bool allowEmpty);

}  // namespace quarnz
