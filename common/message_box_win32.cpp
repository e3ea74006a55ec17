#include "common/message_box_win32.h"

namespace lumova::win32 {

MessageAnswer Win32MessageBoxes::show(const std::string& text, MessageKind kind) {
  UINT style = MB_ICONEXCLAMATION | MB_SETFOREGROUND;
  style |= kind == MessageKind::YesNoExclamation ? MB_YESNO : MB_OK;
  HWND owner = owner_ && IsWindow(owner_) ? owner_ : nullptr;
  if (!owner) style |= MB_TASKMODAL;
  int answer = MessageBoxA(owner, text.c_str(), kAppTitle, style);
  if (answer == IDYES) return MessageAnswer::Yes;
  if (answer == IDNO) return MessageAnswer::No;
  return MessageAnswer::Ok;
}

}  // namespace lumova::win32
