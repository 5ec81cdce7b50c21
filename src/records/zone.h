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
    // Reads "1.10" and "1.00".  An unknown version raises ArchiveError: the
    // bytes after it cannot be told apart.
    void Load(CArchiveReader& ar);
    // Writes version "1.10".
    void Store(CArchiveWriter& ar) const;

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

// How a setting is laid out: as the zone table's cell, padded and in two
// lines, or on one line for terminals and logs.
enum class SettingLayout { kTableCell, kOneLine };

// The zone's setting by its mode: " Zzd = 10.000Ω ∠ 78.000°, \r\n\r\n 偏转角 =
// 0.000 °" in a cell, "Zzd = 10.000Ω ∠ 78.000°, 偏转角 = 0.000 °" on one line.
// A mode that is none of the four shows nothing in a cell, "mode 7" on a line.
Text SettingText(const CZone& zone, SettingLayout layout = SettingLayout::kTableCell);

}  // namespace qz
