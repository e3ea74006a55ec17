#pragma once

#include <windows.h>

#include "common/message_box.h"

namespace lumova::win32 {

// Message boxes under the application title, owned by `owner` (may be null).
class Win32MessageBoxes final : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(HWND owner = nullptr) : owner_(owner) {}
  void setOwner(HWND owner) { owner_ = owner; }
  MessageAnswer show(const std::string& text, MessageKind kind) override;

 private:
  HWND owner_;
};

}  // namespace lumova::win32
