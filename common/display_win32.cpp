#include "common/display_win32.h"

#include <utility>
#include <vector>

#include "common/gdi_win32.h"

namespace lumova::win32 {

namespace {

BOOL CALLBACK addMonitor(HMONITOR, HDC, LPRECT rect, LPARAM list) {
  reinterpret_cast<std::vector<ScreenRect>*>(list)->push_back({rect->left, rect->top, rect->right, rect->bottom});
  return TRUE;
}

}  // namespace

ScreenLayout currentScreenLayout() {
  std::vector<ScreenRect> monitors;
  EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
  ScreenRect v{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
  v.right = v.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  v.bottom = v.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
  return ScreenLayout::from(v, ScreenRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                            std::move(monitors));
}

UINT monitorDpi(HMONITOR monitor) {
  if (!monitor) monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  if (HMODULE shcore = LoadLibraryW(L"shcore.dll")) {
    auto fn = reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
    UINT x = 0, y = 0;
    const bool ok = fn && SUCCEEDED(fn(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && x > 0;
    FreeLibrary(shcore);
    if (ok) return x;
  }
  WindowDc screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace lumova::win32
