#include "saver/form1_win32.h"

#include <cmath>

#include "common/display_win32.h"
#include "common/message_box.h"
#include "common/text_win32.h"
#include "common/units.h"
#include "common/wic_loader_win32.h"
#include "res/resource_ids.h"
#include "saver/transition_player_win32.h"
#include "saver/transitions.h"

namespace lumova::saver {
namespace {

constexpr wchar_t kFrameClass[] = L"LumovaSaverWindow";
constexpr wchar_t kPictureClass[] = L"LumovaPicture";
constexpr wchar_t kCaptionClass[] = L"LumovaCaption";

// Captions and font names are UTF-8, as the program keeps all its text.
constexpr UINT kTextCodePage = CP_UTF8;

const win32::DibPicture* asDib(const PicturePtr& p) { return dynamic_cast<const win32::DibPicture*>(p.get()); }

}  // namespace

ScreenGeometry queryScreenGeometry() {
  ScreenGeometry g{};
  const ScreenLayout layout = win32::currentScreenLayout();
  const ScreenRect v = layout.saverWindow();
  const ScreenRect& p = layout.primary;
  g.virtualScreen = RECT{v.left, v.top, v.right, v.bottom};
  g.primary = RECT{p.left, p.top, p.right, p.bottom};
  const double tpp = twipsPerPixel(win32::monitorDpi());
  g.twipsPerPixelX = tpp;
  g.twipsPerPixelY = tpp;
  return g;
}

SaverWindow::SaverWindow(HINSTANCE instance, std::function<void(TimerId)> onTimer, SaverInput input)
    : onTimer_(std::move(onTimer)), input_(std::move(input)) {
  geo_ = queryScreenGeometry();
  const HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LUMOVA));
  win32::registerWindowClass(instance, kFrameClass, &win32::windowProc<SaverWindow, &SaverWindow::onFrame>, nullptr,
                             icon);
  win32::registerWindowClass(instance, kPictureClass, &win32::windowProc<SaverWindow, &SaverWindow::onPicture>);
  win32::registerWindowClass(instance, kCaptionClass, &win32::windowProc<SaverWindow, &SaverWindow::onCaption>);

  const RECT& v = geo_.virtualScreen;
  // A tool window has no taskbar button; the window stays hidden until the
  // start-up has prepared it.
  hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kFrameClass, win32::toWide(kAppTitle).c_str(),
                          WS_POPUP | WS_CLIPCHILDREN, v.left, v.top, v.right - v.left, v.bottom - v.top, nullptr,
                          nullptr, instance, this);
  // The caption sits below the picture, as a label drawn on the window would.
  caption_ =
      CreateWindowExW(0, kCaptionClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, hwnd_, nullptr, instance, this);
  picture_ =
      CreateWindowExW(0, kPictureClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, hwnd_, nullptr, instance, this);
  SetWindowPos(caption_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  win32::WindowDc screen(nullptr);
  background_.create(screen.get(), v.right - v.left, v.bottom - v.top);
  // Until the settings say otherwise: the system's frame colour for the
  // window, the button-text colour for the picture surface.
  backColor_ = GetSysColor(COLOR_WINDOWFRAME);
  pictureBackColor_ = GetSysColor(COLOR_BTNTEXT);
  background_.fill(backColor_);
  frameWaiter_ = std::make_unique<DisplayFrameWaiter>(picture_);
}

SaverWindow::~SaverWindow() {
  unloading_ = true;
  frameWaiter_.reset();
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

double SaverWindow::screenWidth() const { return (geo_.primary.right - geo_.primary.left) * geo_.twipsPerPixelX; }
double SaverWindow::screenHeight() const { return (geo_.primary.bottom - geo_.primary.top) * geo_.twipsPerPixelY; }

int SaverWindow::toClientX(double twips) const {
  return twipsToPixels(twips, geo_.twipsPerPixelX) + geo_.primary.left - geo_.virtualScreen.left;
}
int SaverWindow::toClientY(double twips) const {
  return twipsToPixels(twips, geo_.twipsPerPixelY) + geo_.primary.top - geo_.virtualScreen.top;
}

void SaverWindow::setBackColor(std::uint32_t rgb) {
  backColor_ = win32::toColorRef(rgb);
  pictureBackColor_ = backColor_;
  background_.fill(backColor_);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void SaverWindow::snapshotDesktop() {
  // The window is not visible yet, so the screen still shows the desktop.
  const RECT& v = geo_.virtualScreen;
  HWND desktop = GetDesktopWindow();
  win32::WindowDc source(desktop);
  if (source) BitBlt(background_.dc(), 0, 0, v.right - v.left, v.bottom - v.top, source.get(), v.left, v.top, SRCCOPY);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void SaverWindow::setCaptionFont(const CaptionFont& font) {
  LOGFONTW lf{};
  lf.lfHeight = fontHeightPixels(font.size, geo_.twipsPerPixelY);
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikethrough;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  lstrcpynW(lf.lfFaceName, win32::toWide(font.name, kTextCodePage).c_str(), LF_FACESIZE);
  captionFont_.reset(CreateFontIndirectW(&lf));
}

void SaverWindow::setCaptionColor(std::uint32_t rgb) { captionColor_ = win32::toColorRef(rgb); }

void SaverWindow::setCaptionTop(double twips) { captionTopTwips_ = twips; }

void SaverWindow::setCaptionVisible(bool visible) { ShowWindow(caption_, visible ? SW_SHOWNA : SW_HIDE); }

TwipSize SaverWindow::setCaptionText(const std::string& text) {
  captionText_ = win32::toWide(text, kTextCodePage);
  win32::WindowDc dc(caption_);
  win32::SelectIn font(dc.get(),
                       captionFont_ ? static_cast<HGDIOBJ>(captionFont_.get()) : GetStockObject(DEFAULT_GUI_FONT));
  SIZE extent{0, 0};
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.get(), &tm);
  if (!captionText_.empty())
    GetTextExtentPoint32W(dc.get(), captionText_.data(), static_cast<int>(captionText_.size()), &extent);
  InvalidateRect(caption_, nullptr, FALSE);
  return {extent.cx * geo_.twipsPerPixelX, tm.tmHeight * geo_.twipsPerPixelY};
}

void SaverWindow::setCaptionGeometry(double left, double width, double height) {
  const int x = toClientX(left), w = twipsToPixels(width, geo_.twipsPerPixelX);
  const int h = twipsToPixels(height, geo_.twipsPerPixelY);
  SetWindowPos(caption_, nullptr, x, toClientY(captionTopTwips_), w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(caption_, nullptr, FALSE);
}

void SaverWindow::clearPictures() {
  // The visible surface keeps its committed picture; the source is emptied
  // before the next picture is loaded into it.
  source_.reset();
}

void SaverWindow::setSourcePicture(PicturePtr picture) {
  // Transparent parts show the picture surface's own colour, as they would
  // on any surface of that colour; the effects and the commit then copy
  // plain pixels.
  const win32::DibPicture* dib = asDib(picture);
  if (dib && !dib->opaque()) {
    if (auto matted = dib->overColour(win32::fromColorRef(pictureBackColor_))) picture = std::move(matted);
  }
  source_ = std::move(picture);
}

void SaverWindow::fillPicture() {
  // The surface appears in its background colour; the effect then lays the
  // new picture over it.
  RECT r;
  GetClientRect(picture_, &r);
  win32::WindowDc dc(picture_);
  win32::UniqueBrush brush(CreateSolidBrush(pictureBackColor_));
  FillRect(dc.get(), &r, brush.get());
  ValidateRect(picture_, nullptr);
}

void SaverWindow::setPictureVisible(bool visible) {
  if (!visible) {
    ShowWindow(picture_, SW_HIDE);
    return;
  }
  ShowWindow(picture_, SW_SHOWNA);
  fillPicture();
}

void SaverWindow::setPictureRect(const TwipRect& r) {
  const int w = twipsToPixels(r.width, geo_.twipsPerPixelX);
  const int h = twipsToPixels(r.height, geo_.twipsPerPixelY);
  // Moving a child window copies its pixels and repaints only what it
  // uncovers on the window: no flicker, no full repaint.
  SetWindowPos(picture_, nullptr, toClientX(r.left), toClientY(r.top), w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool SaverWindow::playEffect(int effect) {
  const win32::DibPicture* source = asDib(source_);
  if (!source) return true;  // nothing to reveal: the commit shows what there is
  frameWaiter_->refresh();
  const EffectPlan plan = planEffect(effect, source->width(), source->height(), frameWaiter_->refreshHz());
  if (plan.overflow) return false;
  win32::WindowDc target(picture_);
  win32::WindowDc screen(nullptr);
  win32::UniqueMemoryDc sourceDc(CreateCompatibleDC(screen.get()));
  // No DC to draw with: the effect is skipped and the commit shows the picture.
  if (!target || !sourceDc) return true;
  win32::SelectIn select(sourceDc.get(), source->bitmap());
  return playEffectPlan(target.get(), sourceDc.get(), plan, *frameWaiter_);
}

void SaverWindow::commitPicture() {
  committed_ = source_;  // shared, not copied
  InvalidateRect(picture_, nullptr, FALSE);
  UpdateWindow(picture_);
}

void SaverWindow::unload() {
  unloading_ = true;
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void SaverWindow::onDisplayChange() {
  const ScreenGeometry before = geo_;
  geo_ = queryScreenGeometry();
  const RECT& v = geo_.virtualScreen;
  const int width = v.right - v.left, height = v.bottom - v.top;
  // The old background stays where the screen still shows it (a desktop
  // snapshot keeps what it caught); new parts get the window's colour.
  win32::OffscreenSurface grown;
  win32::WindowDc screen(nullptr);
  if (grown.create(screen.get(), width, height)) {
    grown.fill(backColor_);
    BitBlt(grown.dc(), before.virtualScreen.left - v.left, before.virtualScreen.top - v.top, background_.width(),
           background_.height(), background_.dc(), 0, 0, SRCCOPY);
    if (background_.create(screen.get(), width, height))
      BitBlt(background_.dc(), 0, 0, width, height, grown.dc(), 0, 0, SRCCOPY);
  }
  SetWindowPos(hwnd_, nullptr, v.left, v.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void SaverWindow::set(TimerId id, std::uint32_t intervalMs) {
  // Setting a window timer again replaces it, which restarts its countdown.
  if (intervalMs == 0)
    KillTimer(hwnd_, static_cast<UINT_PTR>(id));
  else
    SetTimer(hwnd_, static_cast<UINT_PTR>(id), intervalMs, nullptr);
}

void SaverWindow::kill(TimerId id) { KillTimer(hwnd_, static_cast<UINT_PTR>(id)); }

void SaverWindow::show() { ShowWindow(hwnd_, SW_SHOW); }

void SaverWindow::setInputEnabled(bool enabled) {
  EnableWindow(hwnd_, enabled ? TRUE : FALSE);
  if (!enabled) return;
  SetForegroundWindow(hwnd_);
  SetFocus(hwnd_);
}

void SaverWindow::pumpFor(double maxSeconds) {
  DWORD ms = maxSeconds <= 0 ? 0 : static_cast<DWORD>(std::ceil(maxSeconds * 1000));
  MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void SaverWindow::onUnexpectedError() {
  if (input_.onEnd) input_.onEnd();
}

LRESULT SaverWindow::onFrame(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // everything is painted from the persistent image
    case WM_PAINT:
      paintFrame();
      return 0;
    case WM_TIMER:
      if (onTimer_) onTimer_(static_cast<TimerId>(wp));
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (input_.onKey) input_.onKey();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      if (input_.onBackgroundButton) input_.onBackgroundButton();
      return 0;
    case WM_MOUSEMOVE:
      if (input_.onBackgroundMove)
        input_.onBackgroundMove(static_cast<float>(static_cast<short>(LOWORD(lp)) * geo_.twipsPerPixelX),
                                static_cast<float>(static_cast<short>(HIWORD(lp)) * geo_.twipsPerPixelY));
      return 0;
    case WM_SYSCOMMAND:
      // No screen-saver start or monitor power-off over a running saver.
      if ((wp & 0xFFF0) == SC_SCREENSAVE) return 0;
      break;
    case WM_DISPLAYCHANGE:
      onDisplayChange();
      return 0;
    case WM_CLOSE:
      // Closed from outside (a tool, a closing session): the saver ends
      // as it does on input, rather than staying on without a window.
      if (input_.onEnd) input_.onEnd();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wp && input_.onEnd) input_.onEnd();
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      if (!unloading_ && input_.onEnd) input_.onEnd();
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void SaverWindow::paintFrame() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  const RECT& r = ps.rcPaint;
  BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, background_.dc(), r.left, r.top, SRCCOPY);
  EndPaint(hwnd_, &ps);
}

LRESULT SaverWindow::onPicture(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paintPicture();
      return 0;
    case WM_MOUSEMOVE:
      if (input_.onPictureMove) input_.onPictureMove(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Should the surface ever hold the focus, keys still interrupt.
      if (input_.onPictureKey) input_.onPictureKey();
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void SaverWindow::paintPicture() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(picture_, &ps);
  const RECT& r = ps.rcPaint;
  if (const win32::DibPicture* pic = asDib(committed_)) {
    win32::UniqueMemoryDc memory(CreateCompatibleDC(dc));
    win32::SelectIn select(memory.get(), pic->bitmap());
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.get(), r.left, r.top, SRCCOPY);
  } else {
    win32::UniqueBrush brush(CreateSolidBrush(pictureBackColor_));
    FillRect(dc, &r, brush.get());
  }
  EndPaint(picture_, &ps);
}

LRESULT SaverWindow::onCaption(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paintCaption();
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      return 0;  // the label keeps its buttons and movement: they do nothing
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void SaverWindow::paintCaption() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(caption_, &ps);
  RECT r;
  GetClientRect(caption_, &r);
  // The label shows the window's background behind its text.
  POINT origin{0, 0};
  MapWindowPoints(caption_, hwnd_, &origin, 1);
  BitBlt(dc, 0, 0, r.right, r.bottom, background_.dc(), origin.x, origin.y, SRCCOPY);
  if (!captionText_.empty()) {
    win32::SelectIn font(dc,
                         captionFont_ ? static_cast<HGDIOBJ>(captionFont_.get()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, captionColor_);
    DrawTextW(dc, captionText_.data(), static_cast<int>(captionText_.size()), &r,
              DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  }
  EndPaint(caption_, &ps);
}

}  // namespace lumova::saver
