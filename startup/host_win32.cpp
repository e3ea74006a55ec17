#include "startup/host_win32.h"

#include "startup/screen_layout.h"

namespace lumova::startup {
ScreenLayout currentScreenLayout() {
  ScreenRect v{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
  v.right = v.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  v.bottom = v.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
  return ScreenLayout::from(v, ScreenRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

std::int32_t Win32Host::platformId() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  static_assert(sizeof(OSVERSIONINFOA) == 148);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&info);
#pragma GCC diagnostic pop
  return static_cast<std::int32_t>(info.dwPlatformId);
}

void Win32Host::parkPointer() {
  ScreenPoint p = currentScreenLayout().parkedPointer();
  SetCursorPos(p.x, p.y);
}

void Win32Host::place(HWND insertAfter) {
  // Every pixel of every monitor; no window larger than the screen itself.
  ScreenRect w = currentScreenLayout().saverWindow();
  SetWindowPos(hwnd_, insertAfter, w.left, w.top, w.width(), w.height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void Win32Host::raiseSaverWindow() { place(HWND_TOPMOST); }
void Win32Host::lowerSaverWindow() { place(HWND_NOTOPMOST); }

void Win32Host::setScreenSaverRunning(bool running) {
  UINT previous = 0;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

void Win32Host::endProgram() { ExitProcess(0); }

}  // namespace lumova::startup
