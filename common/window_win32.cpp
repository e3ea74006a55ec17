#include "common/window_win32.h"

namespace lumova::win32 {

void registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background, HICON icon,
                         UINT style) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hIcon = icon;
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

}  // namespace lumova::win32
