// The status bar below the buttons: a notice, the version, and the time of
// day, brought up to date when the minute turns.
#include "dialog/dialog_window_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "dialog/dialog_window_ids_win32.h"

namespace lumova::dialog {
namespace {

constexpr const wchar_t* kNotice = L"Press OK to save your settings";
constexpr const wchar_t* kVersion = L"Lumova version 2.2";

int textWidth(HWND window, const std::wstring& text) {
  win32::WindowDc dc(window);
  if (!dc) return 0;
  win32::SelectIn font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

std::wstring timeText(const SYSTEMTIME* at) {
  wchar_t buffer[64] = {};
  if (GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, at, nullptr, buffer, 64) <= 0) return {};
  return buffer;
}

// Milliseconds until the clock's minute changes, a little after it.
UINT untilNextMinute() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return static_cast<UINT>((60 - now.wSecond) * 1000 - now.wMilliseconds + 50);
}

}  // namespace

void DialogWindow::createStatusBar() {
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUSBAR)), instance_, nullptr);
  if (!status_) return;
  SendMessageW(status_, WM_SETFONT, SendMessageW(hwnd_, WM_GETFONT, 0, 0), FALSE);
  SendMessageW(status_, WM_SIZE, 0, 0);

  // The window grows by the bar's height, below the buttons.
  RECT bar{}, window{}, client{};
  GetWindowRect(status_, &bar);
  GetWindowRect(hwnd_, &window);
  SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + (bar.bottom - bar.top),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(status_, WM_SIZE, 0, 0);

  // Room for the version and for the longest time of day.
  GetClientRect(hwnd_, &client);
  const int padding = 16;
  SYSTEMTIME late{}, noon{};
  late.wHour = 23, late.wMinute = 58;
  noon.wHour = 12, noon.wMinute = 58;
  const int clockWidth = std::max(textWidth(status_, timeText(&late)), textWidth(status_, timeText(&noon))) + padding;
  const int versionWidth = textWidth(status_, kVersion) + padding;
  int edges[3] = {client.right - versionWidth - clockWidth, client.right - clockWidth, -1};
  SendMessageW(status_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(kNotice));
  SendMessageW(status_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(kVersion));
  updateClock();
}

void DialogWindow::showNotice(const std::string& text) {
  if (!status_) return;
  // A notice of its own takes the whole bar; the parts come back without it.
  SendMessageW(status_, SB_SIMPLE, text.empty() ? FALSE : TRUE, 0);
  if (text.empty()) return;
  const std::wstring wide = win32::toWide(text);
  SendMessageW(status_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(wide.c_str()));
}

void DialogWindow::updateClock() {
  std::wstring now = timeText(nullptr);
  if (status_ && now != clockShown_) {
    clockShown_ = std::move(now);
    SendMessageW(status_, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(clockShown_.c_str()));
  }
  SetTimer(hwnd_, kClockTimer, untilNextMinute(), nullptr);
}

}  // namespace lumova::dialog
