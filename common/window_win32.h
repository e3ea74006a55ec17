// Window classes and the procedures that hand a window's messages to the
// object that owns it.
#pragma once

#include <windows.h>

namespace lumova::win32 {

// Registers a window class with the arrow cursor. `background` may be null
// (the window paints everything itself) or a system colour brush.
void registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background = nullptr,
                         HICON icon = nullptr, UINT style = 0);

// A window procedure that forwards to (self->*Handler)(hwnd, msg, wp, lp).
// `self` comes from CreateWindowExW's creation parameter at WM_NCCREATE and
// is kept in GWLP_USERDATA as a LONG_PTR. No exception leaves it: one that
// reaches it is handed to self->onUnexpectedError() and the message gets
// the default answer.
template <typename Self, LRESULT (Self::*Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<Self*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* self = reinterpret_cast<Self*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  try {
    return (self->*Handler)(hwnd, msg, wp, lp);
  } catch (...) {
    self->onUnexpectedError();
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

// The same for a dialog made by CreateDialogParamW: `self` is the creation
// parameter, kept in DWLP_USER from WM_INITDIALOG on. Handler returns what a
// dialog procedure returns; FALSE after an unexpected error.
template <typename Self, INT_PTR (Self::*Handler)(HWND, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, lp);
  auto* self = reinterpret_cast<Self*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  try {
    return (self->*Handler)(hwnd, msg, wp, lp);
  } catch (...) {
    self->onUnexpectedError();
    return FALSE;
  }
}

}  // namespace lumova::win32
