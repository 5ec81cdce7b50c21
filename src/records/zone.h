// One protection zone of the relay under test.
#pragma once

#include <cstdint>

#include "base/archive.h"
#include "base/text.h"
#include "records/setting.h"

namespace qz {

// Characteristic kinds of a zone.
enum CharKind : std::int32_t { kCharCircle = 0, kCharPolygon = 1, kCharLens = 2 };

class CZone {
  public:
    virtual ~CZone() = default;
    // Reads "1.10" and "1.00".  An unknown version raises ArchiveError: the
    // bytes after it cannot be told apart.
    void Load(CArchiveReader& ar);
    // Writes version "1.10".
    void Store(CArchiveWriter& ar) const;

    std::int32_t nShow = 1;
    TextField<100> strTag = u" ";
    TextField<100> strZoneName = u" ";
    std::int32_t nID = -1;
    ZoneSetting setting{0, 1.0f, 90.0f, 0.0f};
    std::int32_t nCharKind = kCharCircle;
};

}  // namespace qz
