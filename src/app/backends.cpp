#include "app/backends.h"

#include <cstdio>

#include "ui/headless/headless.h"

namespace qz::app {

namespace {

ui::headless::HeadlessBackend& Headless() {
    static ui::headless::HeadlessBackend backend;
    // No screen here: what the user would see goes to standard error.
    backend.SetTranscript(stderr);
    return backend;
}

}  // namespace

ui::Backend& UserInterface() {
    return Headless();
}

void PlaySession(TextView script) {
    Headless().Reset();
    Headless().Play(script);
}

bool FinishSession() {
    return Headless().Finish();
}

}  // namespace qz::app
