#include "saver/form1_win32.h"

#include <cmath>

#include "common/message_box.h"

namespace lumova::saver {
namespace {

constexpr char kClassName[] = "LumovaSaverWindow";

// Dots per inch of the primary monitor. GetDpiForMonitor exists from
// Windows 8.1 on; before that the system DPI is the only one.
UINT primaryMonitorDpi() {
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  if (HMODULE shcore = LoadLibraryA("shcore.dll")) {
    auto fn = reinterpret_cast<GetDpiForMonitorFn>(
        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
    UINT x = 0, y = 0;
    HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    bool ok = fn && SUCCEEDED(fn(primary, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && x > 0;
    FreeLibrary(shcore);
    if (ok) return x;
  }
  win32::WindowDc screen(nullptr);
  int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

ScreenGeometry queryScreenGeometry() {
  ScreenGeometry g{};
  int vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int vw = GetSystemMetrics(SM_CXVIRTUALSCREEN), vh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  int pw = GetSystemMetrics(SM_CXSCREEN), ph = GetSystemMetrics(SM_CYSCREEN);
  if (vw <= 0 || vh <= 0) vx = 0, vy = 0, vw = pw, vh = ph;
  g.virtualScreen = RECT{vx, vy, vx + vw, vy + vh};
  g.primary = RECT{0, 0, pw, ph};
  double tpp = 1440.0 / primaryMonitorDpi();
  g.twipsPerPixelX = tpp;
  g.twipsPerPixelY = tpp;
  return g;
}

SaverWindow::SaverWindow(HINSTANCE instance, Handlers handlers) : handlers_(std::move(handlers)) {
  geo_ = queryScreenGeometry();

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &SaverWindow::wndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(instance, MAKEINTRESOURCE(1));
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);

  const RECT& v = geo_.virtualScreen;
  // A tool window has no taskbar button; the window stays hidden until the
  // start-up has prepared it.
  hwnd_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, kAppTitle, WS_POPUP | WS_CLIPCHILDREN,
                          v.left, v.top, v.right - v.left, v.bottom - v.top, nullptr, nullptr, instance, this);

  win32::WindowDc screen(nullptr);
  background_.create(screen.get(), v.right - v.left, v.bottom - v.top);
  // Until the settings say otherwise the window is the system's frame colour.
  backColor_ = GetSysColor(COLOR_WINDOWFRAME);
  background_.fill(backColor_);
}

SaverWindow::~SaverWindow() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

double SaverWindow::screenWidth() const { return (geo_.primary.right - geo_.primary.left) * geo_.twipsPerPixelX; }
double SaverWindow::screenHeight() const { return (geo_.primary.bottom - geo_.primary.top) * geo_.twipsPerPixelY; }

void SaverWindow::setBackColor(std::uint32_t rgb) {
  backColor_ = win32::toColorRef(rgb);
  background_.fill(backColor_);
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void SaverWindow::snapshotDesktop() {
  // The window is not visible yet, so the screen still shows the desktop.
  const RECT& v = geo_.virtualScreen;
  HWND desktop = GetDesktopWindow();
  win32::WindowDc source(desktop);
  if (source) BitBlt(background_.dc(), 0, 0, v.right - v.left, v.bottom - v.top, source.get(), v.left, v.top, SRCCOPY);
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void SaverWindow::setCaptionFont(const CaptionFont& font) {
  LOGFONTA lf{};
  win32::WindowDc screen(nullptr);
  // Points to pixels at the monitor's DPI: 1440 twips an inch, 20 a point.
  double pixelsPerPoint = 20.0 / geo_.twipsPerPixelY;
  lf.lfHeight = -static_cast<LONG>(std::lround(font.size * pixelsPerPoint));
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikethrough;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynA(lf.lfFaceName, font.name.c_str(), LF_FACESIZE);
  captionFont_.reset(CreateFontIndirectA(&lf));
}

void SaverWindow::setCaptionColor(std::uint32_t rgb) { captionColor_ = win32::toColorRef(rgb); }

void SaverWindow::setCaptionTop(double twips) {
  captionTopPx_ = static_cast<int>(std::lround(twips / geo_.twipsPerPixelY));
}

void SaverWindow::set(TimerId id, std::uint32_t intervalMs) {
  // A window timer with the same id is replaced, which restarts its countdown.
  if (intervalMs == 0)
    KillTimer(hwnd_, static_cast<UINT_PTR>(id));
  else
    SetTimer(hwnd_, static_cast<UINT_PTR>(id), intervalMs, nullptr);
}

void SaverWindow::kill(TimerId id) { KillTimer(hwnd_, static_cast<UINT_PTR>(id)); }

LRESULT CALLBACK SaverWindow::wndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<SaverWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<SaverWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return self ? self->handle(msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT SaverWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // everything is painted from the persistent image
    case WM_PAINT:
      paint();
      return 0;
    case WM_TIMER:
      if (handlers_.onTimer) handlers_.onTimer(static_cast<TimerId>(wp));
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (handlers_.onKey) handlers_.onKey();
      return 0;
    case WM_SETCURSOR:
      SetCursor(LoadCursor(nullptr, IDC_ARROW));
      return TRUE;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

void SaverWindow::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  const RECT& r = ps.rcPaint;
  BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, background_.dc(), r.left, r.top, SRCCOPY);
  EndPaint(hwnd_, &ps);
}

}  // namespace lumova::saver
