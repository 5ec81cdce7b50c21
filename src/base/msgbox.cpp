#include "base/msgbox.h"

#include <cstdio>

namespace qz {

namespace {

int DefaultHandler(void*, TextView text, TextView caption, unsigned flags) {
    std::fprintf(stderr, "[%s] %s\n", ToUtf8(caption).c_str(), ToUtf8(text).c_str());
    return (flags & 0x0F) == kMbYesNo ? kIdNo : kIdOk;
}

MessageBoxHandler gHandler = nullptr;  // the default
void* gContext = nullptr;

}  // namespace

MessageBoxHook SetMessageBoxHandler(MessageBoxHandler handler, void* context) {
    MessageBoxHook previous{gHandler, gContext};
    gHandler = handler;
    gContext = handler ? context : nullptr;
    return previous;
}

int ShowMessageBox(TextView text, TextView caption, unsigned flags) {
    return (gHandler ? gHandler : DefaultHandler)(gContext, text, caption, flags);
}

}  // namespace qz
