#include "ui/backend.h"

#include "ui/headless/headless.h"

namespace qz::ui {

namespace {

Backend* gBackend = nullptr;

int RouteMessageBox(void*, TextView text, TextView caption, unsigned flags) {
    return MessageBox(text, caption, flags);
}

}  // namespace

Backend& CurrentBackend() {
    return gBackend ? *gBackend : headless::DefaultBackend();
}

void SetBackend(Backend* backend) {
    gBackend = backend;
}

int MessageBox(TextView text, TextView caption, unsigned flags) {
    return CurrentBackend().MessageBox(text, caption, flags);
}

MessageBoxRoute::MessageBoxRoute() {
    SetMessageBoxHandler(RouteMessageBox, nullptr);
}

MessageBoxRoute::~MessageBoxRoute() {
    SetMessageBoxHandler(nullptr, nullptr);
}

}  // namespace qz::ui
