// Session scripts as text: a user's actions and the checks on what the
// dialogs show, one per line (see docs/session-scripts.md), read into steps.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/text.h"

namespace qz::session {

// A script that does not parse; the message names the line.
struct SessionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Where a step can be played.
enum class StepContext {
    kDialog,      // acts on the innermost open dialog
    kMessageBox,  // answers the message box shown
    kMenu,        // picks from the pop-up menu shown
    kAny,         // a check, or code: wherever the session stands
};

struct Step {
    int line = 0;
    std::string verb;
    std::vector<Text> args;
    std::function<void()> call;  // verb "call": code run in place (tests)
    bool mustBeRefused = false;  // written after expect-refused

    StepContext Context() const;
    bool IsCheck() const { return Context() == StepContext::kAny; }
    // The argument as a whole number; SessionError naming the line otherwise.
    int IntArg(std::size_t index) const;
    std::string Describe() const;  // the step as a script line
};

// A whole number written as a script word.
bool ParseWholeNumber(TextView text, int& value);

// Scripts are written by hand: a longer one (an endless file, say) is refused
// before it fills the memory.  In UTF-16 code units.
inline constexpr std::size_t kMaxSessionScript = std::size_t(1) << 20;

// Parses a script; line numbers count from `firstLine`.  A byte-order mark
// at its start is skipped.
std::vector<Step> ParseSession(TextView script, int firstLine = 1);

// The verbs, for documentation and error messages.
std::vector<std::string> SessionVerbs();

}  // namespace qz::session
