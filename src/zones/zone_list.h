// The zone list and the element list of the library object, and the two
// files built from them: the zone parameter file and the element list file.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "records/pict.h"
#include "records/zone.h"

namespace qz {

using ZoneList = std::vector<std::unique_ptr<CZone>>;

class CZoneLists {
  public:
    // Destroys every zone, then every element.
    void ClearZones();
    // Removes the zone at a valid index and every element with its tag.
    void DeleteZone(std::size_t index);
    // Removes every element whose tag equals `tag` (whole text, case-sensitive).
    void DeletePicts(TextView tag);

    // Reads a zone parameter file and appends its zones and elements.  A
    // missing, unopenable or broken file shows one error message naming it,
    // appends nothing and leaves fAllowedError as it was.
    bool LoadZoneFile(const Text& path);
    // Writes the zone parameter file; a failure is silent.
    bool SaveZoneFile(const Text& path) const;
    // Reads an element list file, tags every element with `tag`, appends
    // them; a missing or broken file appends nothing and shows nothing.
    bool AppendPictsFromFile(const Text& path, TextView tag);
    // Writes an element list file of the elements tagged `tag`.
    bool SavePictsOfZone(const Text& path, TextView tag) const;
    // `tag`, suffixed "_n" when another zone (not the one at `skip`, -1 for
    // none) already carries it; never a tag in use.
    Text MakeUniqueTag(TextView tag, int skip) const;

    // The zone parameter file as bytes, and back; parsing raises ArchiveError
    // and changes nothing on failure.
    std::vector<std::uint8_t> ZoneFileBytes() const;
    void AppendZoneFileBytes(const std::uint8_t* data, std::size_t size);

    float fAllowedError = 0.0f;
    ZoneList arrZones;
    PictList arrPicts;
};

// Element list files shared by the dialogs ("prot.tmp", "graph.tmp",
// "graphPara.tmp").  Loading appends all elements or none.
bool LoadPictFile(const Text& path, PictList& list, PictForm form);
bool SavePictFile(const Text& path, const PictList& list, PictForm form);

}  // namespace qz
