// The library object: the one holder of state between the host's calls.
#pragma once

#include <memory>

#include "base/text.h"
#include "templates/template_db.h"
#include "zones/zone_list.h"

namespace qz {

// The zone parameter file in the working folder.
inline constexpr TextView kZoneParameterFileName = u"zonePara.tmp";
// The host reads the file's path into a buffer of this many UTF-16 units,
// terminator included.
inline constexpr std::size_t kHostPathBuffer = 260;

class CQuarnZGraphApp : public CZoneLists {
  public:
    // Start-up: the working folder under the user's documents folder.
    CQuarnZGraphApp();
    // The same under a given documents folder.
    explicit CQuarnZGraphApp(const Text& documentsFolder);
    ~CQuarnZGraphApp();

    // my_dll_Init: the template database path beside the host executable.
    void Init();
    void InitFromExecutable(TextView executablePath);
    // my_dll_Release: close the database, empty both lists.
    void Release();
    // my_dll_GetZoneFileName: writes the name (or an empty string) into a
    // caller-owned buffer; 1 when a name was written.
    int GetZoneFileName(char16_t* buffer) const;
    // The template library, opened on first use and kept open until Release
    // or until one of its statements fails; without a file at strTemplatePath
    // the data source, none when that is not defined either.  A failed open
    // throws the driver's message and is tried again on the next call.
    CTemplateDatabase* GetTemplateDatabase();

    Text strTemplatePath;
    // Empty when no working folder could be named, or when the zone parameter
    // file's path in it would not fit the host's buffer.
    Text strWorkPath;
    Text strZoneFileName;
    std::unique_ptr<CTemplateDatabase> pDatabase;

  private:
    void StartUp(const Text& documentsFolder);
};

}  // namespace qz
