// Modal message boxes.  The frame only asks; the user-interface backend that
// is active answers (see SetMessageBoxHandler).
#pragma once

#include "base/text.h"

namespace qz {

// Button and icon flags, with the values of the Windows message box.
enum MbFlags : unsigned {
    kMbOk = 0x00,
    kMbYesNo = 0x04,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
};

// Answers, with the values of the Windows message box.
enum MbAnswer : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// The library's module name: the caption of boxes that have none of their own.
inline constexpr TextView kModuleName = u"QuarnZGraph";

using MessageBoxHandler = int (*)(void* context, TextView text, TextView caption, unsigned flags);

struct MessageBoxHook {
    MessageBoxHandler handler = nullptr;
    void* context = nullptr;
};

// Installs the handler that shows boxes and returns the one before; null
// restores the default, which writes the box to standard error and answers
// OK (No to a question).
MessageBoxHook SetMessageBoxHandler(MessageBoxHandler handler, void* context);

// Installs a handler for a scope, then restores the one before.
class UseMessageBoxHandler {
  public:
    UseMessageBoxHandler(MessageBoxHandler handler, void* context)
        : previous_(SetMessageBoxHandler(handler, context)) {}
    ~UseMessageBoxHandler() { SetMessageBoxHandler(previous_.handler, previous_.context); }
    UseMessageBoxHandler(const UseMessageBoxHandler&) = delete;
    UseMessageBoxHandler& operator=(const UseMessageBoxHandler&) = delete;

  private:
    MessageBoxHook previous_;
};

int ShowMessageBox(TextView text, TextView caption = kModuleName, unsigned flags = kMbOk);

}  // namespace qz
