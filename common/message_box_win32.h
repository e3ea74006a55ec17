#pragma once

#include <windows.h>

#include <string_view>

#include "common/message_box.h"

namespace lumova::win32 {

// A modal message under the application title, with the exclamation icon
// and OK (or Yes and No). `text` is in code page `codePage`. Without an
// owner the box still keeps the thread's windows waiting.
MessageAnswer showMessageBox(HWND owner, std::string_view text, MessageKind kind, UINT codePage = CP_UTF8);

// Message boxes without an owner, for texts in `codePage`.
class Win32MessageBoxes final : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(UINT codePage = CP_UTF8) : codePage_(codePage) {}
  MessageAnswer show(const std::string& text, MessageKind kind) override {
    return showMessageBox(nullptr, text, kind, codePage_);
  }

 private:
  UINT codePage_;
};

}  // namespace lumova::win32
