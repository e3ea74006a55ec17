#include "startup/host_win32.h"

namespace lumova::startup {
namespace {

RECT virtualScreen() {
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w <= 0 || h <= 0) x = 0, y = 0, w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  return RECT{x, y, x + w, y + h};
}

}  // namespace

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
  RECT v = virtualScreen();
  SetCursorPos(v.right - 1, v.bottom - 1);
}

void Win32Host::place(HWND insertAfter) {
  // Every pixel of every monitor; no window larger than the screen itself.
  RECT v = virtualScreen();
  SetWindowPos(hwnd_, insertAfter, v.left, v.top, v.right - v.left, v.bottom - v.top, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void Win32Host::raiseSaverWindow() { place(HWND_TOPMOST); }
void Win32Host::lowerSaverWindow() { place(HWND_NOTOPMOST); }

void Win32Host::setScreenSaverRunning(bool running) {
  UINT previous = 0;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

void Win32Host::endProgram() { ExitProcess(0); }

}  // namespace lumova::startup
