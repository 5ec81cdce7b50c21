// One protection zone of the relay under test.
#pragma once

#include <cstdint>

#include "base/archive.h"
#include "base/text.h"

namespace qz {

// Characteristic kinds of a zone.
enum CharKind : std::int32_t { kCharCircle = 0, kCharPolygon = 1, kCharLens = 2 };

class CZone {
  public:
    virtual ~CZone() = default;
    // Stores version "1.10"; loads "1.10" and "1.00".  An unknown version
    // raises ArchiveError: the bytes after it cannot be told apart.
    virtual void Serialize(CArchive& ar);

    std::int32_t nShow = 1;
    TextField<100> strTag = u" ";
    TextField<100> strZoneName = u" ";
    std::int32_t nID = -1;
    std::int32_t Zzd_Mode = 0;
    float Zzd_1 = 1.0f;
    float Zzd_2 = 90.0f;
    float Zzd_3 = 0.0f;
    std::int32_t nCharKind = kCharCircle;
};

}  // namespace qz
