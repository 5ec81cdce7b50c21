#include "frame/msgbox.h"

#include <cstdio>

namespace qz {

namespace {

int DefaultHandler(void*, TextView text, TextView caption, unsigned flags) {
    std::fprintf(stderr, "[%s] %s\n", ToUtf8(caption).c_str(), ToUtf8(text).c_str());
    return (flags & 0x0F) == kMbYesNo ? kIdNo : kIdOk;
}

MessageBoxHandler gHandler = DefaultHandler;
void* gContext = nullptr;

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler, void* context) {
    gHandler = handler ? handler : DefaultHandler;
    gContext = handler ? context : nullptr;
}

int ShowMessageBox(TextView text, TextView caption, unsigned flags) {
    return gHandler(gContext, text, caption, flags);
}

}  // namespace qz
