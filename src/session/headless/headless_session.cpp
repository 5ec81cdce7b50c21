#include "session/headless/headless_session.h"

namespace qz::session {

HeadlessSession::HeadlessSession() : Session(static_cast<ui::UserActions&>(*this)) {
    SetStandIn(this);
}

}  // namespace qz::session
