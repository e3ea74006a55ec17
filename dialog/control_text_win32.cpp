#include "dialog/control_text_win32.h"

#include "common/text_win32.h"

namespace lumova::dialog {

std::wstring controlText(std::string_view modelText) { return win32::toWide(modelText, kTextCodePage); }

std::string modelText(std::wstring_view controlText) { return win32::fromWide(controlText, kTextCodePage); }

std::string windowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return modelText(text);
}

void setWindowText(HWND window, std::string_view modelText) { SetWindowTextW(window, controlText(modelText).c_str()); }

}  // namespace lumova::dialog
