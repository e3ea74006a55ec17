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

// Captions and font names are UTF-8, as the program keeps all its text.
constexpr UINT kTextCodePage = CP_UTF8;

const win32::DibPicture* asDib(const PicturePtr& p) { return dynamic_cast<const win32::DibPicture*>(p.get()); }

bool overlaps(const RECT& a, const RECT& b) {
  RECT both;
  return IntersectRect(&both, &a, &b) != FALSE;
}

// The parts of `from` that `cut` does not cover: up to four rectangles.
int difference(const RECT& from, const RECT& cut, RECT out[4]) {
  RECT inner;
  if (!IntersectRect(&inner, &from, &cut)) {
    out[0] = from;
    return IsRectEmpty(&from) ? 0 : 1;
  }
  int n = 0;
  const RECT parts[4] = {{from.left, from.top, from.right, inner.top},
                         {from.left, inner.bottom, from.right, from.bottom},
                         {from.left, inner.top, inner.left, inner.bottom},
                         {inner.right, inner.top, from.right, inner.bottom}};
  for (const RECT& p : parts)
    if (!IsRectEmpty(&p)) out[n++] = p;
  return n;
}

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
  // Its own DC: the window draws often (a floating picture, every tick).
  win32::registerWindowClass(instance, kFrameClass, &win32::windowProc<SaverWindow, &SaverWindow::onFrame>, nullptr,
                             icon, CS_OWNDC);

  const RECT& v = geo_.virtualScreen;
  // A tool window has no taskbar button; the window stays hidden until the
  // start-up has prepared it.
  hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kFrameClass, win32::toWide(kAppTitle).c_str(), WS_POPUP,
                          v.left, v.top, v.right - v.left, v.bottom - v.top, nullptr, nullptr, instance, this);

  win32::WindowDc screen(nullptr);
  background_.create(screen.get(), v.right - v.left, v.bottom - v.top);
  // Until the settings say otherwise: the system's frame colour for the
  // window, the button-text colour for the picture surface.
  backColor_ = GetSysColor(COLOR_WINDOWFRAME);
  pictureBackColor_ = GetSysColor(COLOR_BTNTEXT);
  background_.fill(backColor_);
  frameWaiter_ = std::make_unique<DisplayFrameWaiter>();
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

HFONT SaverWindow::captionFont() const {
  return captionFont_ ? captionFont_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void SaverWindow::setCaptionVisible(bool visible) {
  if (captionVisible_ == visible) return;
  captionVisible_ = visible;
  InvalidateRect(hwnd_, &captionRect_, FALSE);
}

TwipSize SaverWindow::setCaptionText(const std::string& text) {
  captionText_ = win32::toWide(text, kTextCodePage);
  win32::WindowDc dc(hwnd_);
  win32::SelectIn font(dc.get(), captionFont());
  SIZE extent{0, 0};
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.get(), &tm);
  if (!captionText_.empty())
    GetTextExtentPoint32W(dc.get(), captionText_.data(), static_cast<int>(captionText_.size()), &extent);
  InvalidateRect(hwnd_, &captionRect_, FALSE);
  return {extent.cx * geo_.twipsPerPixelX, tm.tmHeight * geo_.twipsPerPixelY};
}

double SaverWindow::captionLineHeight() const {
  win32::WindowDc dc(hwnd_);
  win32::SelectIn font(dc.get(), captionFont());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.get(), &tm);
  return tm.tmHeight * geo_.twipsPerPixelY;
}

void SaverWindow::setCaptionGeometry(double left, double width, double height) {
  InvalidateRect(hwnd_, &captionRect_, FALSE);
  const int x = toClientX(left), y = toClientY(captionTopTwips_);
  captionRect_ =
      RECT{x, y, x + twipsToPixels(width, geo_.twipsPerPixelX), y + twipsToPixels(height, geo_.twipsPerPixelY)};
  InvalidateRect(hwnd_, &captionRect_, FALSE);
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

void SaverWindow::setPictureVisible(bool visible) {
  win32::WindowDc dc(hwnd_);
  if (!visible) {
    pictureVisible_ = false;
    paintArea(dc.get(), pictureRect_);
    return;
  }
  // The surface appears in its own colour; the effect then lays the new
  // picture over it.
  pictureVisible_ = true;
  pictureFilled_ = true;
  paintPicture(dc.get());
}

void SaverWindow::setPictureRect(const TwipRect& r) {
  const RECT before = pictureRect_;
  const int left = toClientX(r.left), top = toClientY(r.top);
  pictureRect_ = RECT{left, top, left + twipsToPixels(r.width, geo_.twipsPerPixelX),
                      top + twipsToPixels(r.height, geo_.twipsPerPixelY)};
  if (!pictureVisible_ || EqualRect(&before, &pictureRect_)) return;
  // The picture at its new place, then what it uncovered.
  win32::WindowDc dc(hwnd_);
  paintPicture(dc.get());
  RECT uncovered[4];
  for (int i = 0, n = difference(before, pictureRect_, uncovered); i < n; ++i) paintArea(dc.get(), uncovered[i]);
}

void SaverWindow::paintPicture(HDC dc) {
  const RECT& r = pictureRect_;
  const win32::DibPicture* picture = pictureFilled_ ? nullptr : asDib(committed_);
  if (!picture) {
    win32::UniqueBrush brush(CreateSolidBrush(pictureBackColor_));
    FillRect(dc, &r, brush.get());
    return;
  }
  BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, committedDc_.dc(), 0, 0, SRCCOPY);
}

void SaverWindow::paintArea(HDC dc, const RECT& area) {
  if (IsRectEmpty(&area)) return;
  const int width = area.right - area.left, height = area.bottom - area.top;
  const bool caption = captionVisible_ && !captionText_.empty() && overlaps(area, captionRect_);
  const bool picture = pictureVisible_ && overlaps(area, pictureRect_);
  if (!caption && !picture) {
    // Background alone (what a moving picture uncovers): one copy.
    BitBlt(dc, area.left, area.top, width, height, background_.dc(), area.left, area.top, SRCCOPY);
    return;
  }
  // Composed off the screen and copied once, so no layer flickers.
  win32::OffscreenSurface scratch;
  if (!scratch.create(dc, width, height)) return;
  HDC out = scratch.dc();
  SetViewportOrgEx(out, -area.left, -area.top, nullptr);
  BitBlt(out, area.left, area.top, width, height, background_.dc(), area.left, area.top, SRCCOPY);
  if (caption) {
    win32::SelectIn font(out, captionFont());
    SetBkMode(out, TRANSPARENT);
    SetTextColor(out, captionColor_);
    RECT text = captionRect_;
    DrawTextW(out, captionText_.data(), static_cast<int>(captionText_.size()), &text,
              DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  }
  if (picture) paintPicture(out);
  SetViewportOrgEx(out, 0, 0, nullptr);
  BitBlt(dc, area.left, area.top, width, height, out, 0, 0, SRCCOPY);
}

bool SaverWindow::playEffect(int effect) {
  const win32::DibPicture* source = asDib(source_);
  if (!source) return true;  // nothing to reveal: the commit shows what there is
  frameWaiter_->refresh(MonitorFromRect(&geo_.primary, MONITOR_DEFAULTTOPRIMARY));
  const EffectPlan plan = planEffect(effect, source->width(), source->height(), frameWaiter_->refreshHz());
  if (plan.overflow) return false;
  win32::WindowDc target(hwnd_);
  win32::UniqueMemoryDc sourceDc(CreateCompatibleDC(target.get()));
  // No DC to draw with: the effect is skipped and the commit shows the picture.
  if (!target || !sourceDc) return true;
  // The effect works in the picture's own pixels, kept to its surface.
  // The window's own DC keeps what is set on it: put it back afterwards.
  const RECT& r = pictureRect_;
  const int saved = SaveDC(target.get());
  SetViewportOrgEx(target.get(), r.left, r.top, nullptr);
  IntersectClipRect(target.get(), 0, 0, r.right - r.left, r.bottom - r.top);
  win32::SelectIn select(sourceDc.get(), source->bitmap());
  struct NoWait final : FrameWaiter {
    void waitForNextFrame() override {}
  } noWait;
  FrameWaiter& waiter = effectsUnpaced_ ? static_cast<FrameWaiter&>(noWait) : *frameWaiter_;
  const bool played = playEffectPlan(target.get(), sourceDc.get(), plan, waiter);
  RestoreDC(target.get(), saved);
  return played;
}

void SaverWindow::commitPicture() {
  // Selected before the old picture goes: a bitmap still selected into a DC
  // could not be deleted.
  const win32::DibPicture* dib = asDib(source_);
  committedDc_.show(dib ? dib->bitmap() : nullptr);
  committed_ = source_;  // shared, not copied
  pictureFilled_ = false;
  win32::WindowDc dc(hwnd_);
  if (pictureVisible_) paintPicture(dc.get());
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
      onButton(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
      return 0;
    case WM_MOUSEMOVE:
      onMouseMove(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
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

// The layers take input as windows of their own would: the picture reports
// movement in its own pixels and ignores buttons; the caption takes both
// and does nothing; the background reports movement in twips.
void SaverWindow::onMouseMove(POINT at) {
  if (pictureVisible_ && PtInRect(&pictureRect_, at)) {
    if (input_.onPictureMove) input_.onPictureMove(at.x - pictureRect_.left, at.y - pictureRect_.top);
    return;
  }
  if (captionVisible_ && PtInRect(&captionRect_, at)) return;
  if (input_.onBackgroundMove)
    input_.onBackgroundMove(static_cast<float>(at.x * geo_.twipsPerPixelX),
                            static_cast<float>(at.y * geo_.twipsPerPixelY));
}

void SaverWindow::onButton(POINT at) {
  if (pictureVisible_ && PtInRect(&pictureRect_, at)) return;
  if (captionVisible_ && PtInRect(&captionRect_, at)) return;
  if (input_.onBackgroundButton) input_.onBackgroundButton();
}

void SaverWindow::paintFrame() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  paintArea(dc, ps.rcPaint);
  EndPaint(hwnd_, &ps);
}

}  // namespace lumova::saver
