#include "common/message_box_win32.h"

#include "common/text_win32.h"

namespace lumova::win32 {

MessageAnswer showMessageBox(HWND owner, std::string_view text, MessageKind kind, UINT codePage) {
  UINT style = MB_ICONEXCLAMATION | MB_SETFOREGROUND;
  style |= kind == MessageKind::YesNoExclamation ? MB_YESNO : MB_OK;
  if (!owner || !IsWindow(owner)) {
    owner = nullptr;
    style |= MB_TASKMODAL;
  }
  const int answer = MessageBoxW(owner, toWide(text, codePage).c_str(), toWide(kAppTitle).c_str(), style);
  if (answer == IDYES) return MessageAnswer::Yes;
  if (answer == IDNO) return MessageAnswer::No;
  return MessageAnswer::Ok;
}

}  // namespace lumova::win32
