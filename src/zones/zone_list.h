// The zone list and the element list of the library object, and the two
// files built from them: the zone parameter file and the element list file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "records/pict.h"
#include "records/zone.h"

namespace qz {

using ZoneList = std::vector<std::unique_ptr<CZone>>;

// What reading a zone parameter file let pass.  A count of zero or less
// reads no records and bytes after the last element are ignored, as stored
// files may rely on both; whoever shows the file can still say so.
struct ZoneFileReading {
    std::int32_t zoneCount = 0, elementCount = 0;     // as stored
    std::size_t zoneCountAt = 0, elementCountAt = 0;  // their byte offsets
    std::size_t end = 0;                              // the offset after the last element
    std::size_t size = 0;                             // the bytes given

    // What was out of the ordinary, e.g. "zone count -3 at byte 4 read as
    // none; 2 bytes after the last element at byte 96 ignored"; empty if nothing.
    std::string Remarks() const;
};

class CZoneLists {
  public:
    // Destroys every zone, then every element.
    void ClearZones();
    // Removes the zone at a valid index and every element with its tag.
    void DeleteZone(std::size_t index);
    // Removes every element whose tag equals `tag` (whole text, case-sensitive).
    void DeletePicts(TextView tag);
    // Gives the elements tagged `from` the tag `to`.
    void RetagPicts(TextView from, TextView to);

    // Reads a zone parameter file and appends its zones and elements.  A
    // missing, unopenable or broken file shows one error message naming it,
    // appends nothing and leaves fAllowedError as it was.
    bool LoadZoneFile(const Text& path);
    // Writes the zone parameter file; a failure is silent.
    bool SaveZoneFile(const Text& path) const;
    // Reads an element list file, tags every element with `tag`, appends
    // them; a missing or broken file appends nothing and shows nothing.
    bool AppendPictsFromFile(const Text& path, TextView tag);
    // Tags every element with `tag` and appends them.
    void AppendPicts(PictList picts, TextView tag);
    // A copy of the elements tagged `tag`.
    PictList PictsOfZone(TextView tag) const;
    // Writes an element list file of the elements tagged `tag`.
    bool SavePictsOfZone(const Text& path, TextView tag) const;
    // `tag`, suffixed "_n" when another zone (not the one at `skip`, -1 for
    // none) already carries it; never a tag in use.
    Text MakeUniqueTag(TextView tag, int skip) const;

    // The zone parameter file as bytes, and back; parsing raises ArchiveError
    // and changes nothing on failure.
    std::vector<std::uint8_t> ZoneFileBytes() const;
    ZoneFileReading AppendZoneFileBytes(const std::uint8_t* data, std::size_t size);

    float fAllowedError = 0.0f;
    ZoneList arrZones;
    PictList arrPicts;
};

// What keeps a file from being read: passed over in silence, or, for a file
// the user works on, said in a message box as LoadZoneFile does: nothing
// there, not opened, or broken (an unknown kind code among them).
enum class FileFaults { kSilent, kShown };

// Element list files shared by the dialogs ("prot.tmp", "graph.tmp",
// "graphPara.tmp").  Loading appends all elements or none.
bool LoadPictFile(const Text& path, PictList& list, PictForm form,
                  FileFaults faults = FileFaults::kSilent);
bool SavePictFile(const Text& path, const PictList& list, PictForm form);

}  // namespace qz
