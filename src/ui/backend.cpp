#include "ui/backend.h"

#include <stdexcept>

namespace qz::ui {

namespace {

Backend* gBackend = nullptr;

int RouteMessageBox(void*, TextView text, TextView caption, unsigned flags) {
    return MessageBox(text, caption, flags);
}

}  // namespace

Backend& CurrentBackend() {
    if (!gBackend) throw std::logic_error("no user-interface backend");
    return *gBackend;
}

Backend* SetBackend(Backend* backend) {
    Backend* previous = gBackend;
    gBackend = backend;
    return previous;
}

int MessageBox(TextView text, TextView caption, unsigned flags) {
    return CurrentBackend().MessageBox(text, caption, flags);
}

MessageBoxRoute::MessageBoxRoute() : use_(RouteMessageBox, nullptr) {}

}  // namespace qz::ui
