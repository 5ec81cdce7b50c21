// The headless backend played by a session: what the library plays scripts
// on without a screen, and what tests and benchmarks drive dialogs with.
#pragma once

#include "session/session.h"
#include "ui/headless/headless.h"

namespace qz::session {

class HeadlessSession : public ui::headless::HeadlessBackend, public Session {
  public:
    HeadlessSession();
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;
};

}  // namespace qz::session
