// The one place that names the backends the library runs on: the user
// interface its dialogs use, the player of session scripts and the reader of
// the template library.
#pragma once

#include <memory>

#include "templates/template_db.h"

#include "session/script.h"
#include "ui/backend.h"

namespace qz::app {

// The user interface of the dialogs; made the active backend by
// UseBackend for the length of a host's call.
ui::Backend& UserInterface();

// The session player of quarnz_PlaySession: appends a script's steps
// (SessionError names a line that does not parse), and with Finish ends the
// session and tells whether every step was played and every check held.
void PlaySession(TextView script);
bool FinishSession();

// Opens the template library at `path` with the backend its first bytes
// call for: an SQLite file with the embedded library, any other file through
// ODBC.  Without a file, the ODBC data source alone.  While a session plays,
// its transcript says which.  Throws CDBException with the driver's message,
// or naming the file and the data source when neither is there.
std::unique_ptr<CTemplateDatabase> OpenTemplateDatabase(const Text& path);

}  // namespace qz::app
