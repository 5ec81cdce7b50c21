// A test that plays a user at a dialog on the headless backend.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "session/headless/headless_session.h"
#include "ui/dialog.h"

namespace qztest {

struct DialogSessionTest : ::testing::Test {
    qz::session::HeadlessSession user;
    qz::ui::UseBackend use{user};

    // Plays `script` at `dlg`; the dialog's result.  Every step must play.
    int Run(qz::ui::CDialog& dlg, const char* script) {
        user.Play(script);
        int result = dlg.DoModal();
        bool played = user.Finish();
        std::string errors;
        for (const auto& e : user.Errors()) errors += e + "\n";
        EXPECT_TRUE(played) << errors;
        return result;
    }
};

}  // namespace qztest
