#include "startup/host_win32.h"

#include "common/display_win32.h"

namespace lumova::startup {

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
  ScreenPoint p = win32::currentScreenLayout().parkedPointer();
  SetCursorPos(p.x, p.y);
}

void Win32Host::place(HWND insertAfter) {
  // Every pixel of every monitor; no window larger than the screen itself.
  ScreenRect w = win32::currentScreenLayout().saverWindow();
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
