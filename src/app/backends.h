// The one place that names the backends the library runs on: the user
// interface its dialogs use and the player of session scripts.
#pragma once

#include "ui/backend.h"
#include "ui/session.h"

namespace qz::app {

// The user interface of the dialogs; made the active backend by
// ActivateUserInterface for the length of a host's call.
ui::Backend& UserInterface();

// The session player of quarnz_PlaySession: appends a script's steps
// (SessionError names a line that does not parse), and with Finish ends the
// session and tells whether every step was played and every check held.
void PlaySession(TextView script);
bool FinishSession();

}  // namespace qz::app
