#include "saver/monitor_stage_win32.h"

#include <algorithm>

#include "common/clock_win32.h"
#include "common/text_win32.h"
#include "common/units.h"
#include "picture/wic_loader_win32.h"

namespace lumova::saver {
namespace {

// Captions and font names are UTF-8, as the program keeps all its text.
constexpr UINT kTextCodePage = CP_UTF8;

const win32::DibPicture* asDib(const PicturePtr& p) { return dynamic_cast<const win32::DibPicture*>(p.get()); }

const std::uint32_t* pixelsOf(const win32::DibPicture& p) { return reinterpret_cast<const std::uint32_t*>(p.bits()); }

// A COLORREF (red low) as a DIB pixel (blue low).
std::uint32_t dibPixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

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

MonitorStage::MonitorStage(StageCanvas& canvas, const StagePlace& place, COLORREF pictureBackColor)
    : canvas_(canvas), place_(place), pictureBackColor_(pictureBackColor) {}

void MonitorStage::moveTo(const StagePlace& place) {
  const bool rescaled = place.twipsPerPixel != place_.twipsPerPixel;
  place_ = place;
  if (rescaled && hasFont_) makeFont();
  placeLayers();
}

double MonitorStage::screenWidth() const { return (place_.monitor.right - place_.monitor.left) * place_.twipsPerPixel; }
double MonitorStage::screenHeight() const {
  return (place_.monitor.bottom - place_.monitor.top) * place_.twipsPerPixel;
}

int MonitorStage::toPixels(double twips) const { return twipsToPixels(twips, place_.twipsPerPixel); }
int MonitorStage::toClientX(double twips) const { return toPixels(twips) + place_.monitor.left; }
int MonitorStage::toClientY(double twips) const { return toPixels(twips) + place_.monitor.top; }

RECT MonitorStage::placeOf(const TwipRect& r) const {
  const int left = toClientX(r.left), top = toClientY(r.top);
  return RECT{left, top, left + toPixels(r.width), top + toPixels(r.height)};
}

void MonitorStage::adoptFaded(const TwipRect& r) {
  pictureTwips_ = r;
  placeLayers();
  const win32::DibPicture* dib = asDib(source_);
  committedDc_.show(dib ? dib->bitmap() : nullptr);
  committed_ = source_;
  pictureVisible_ = true;
  pictureFilled_ = false;
}

void MonitorStage::placeLayers() {
  pictureRect_ = placeOf(pictureTwips_);
  const int x = toClientX(captionTwips_.left), y = toClientY(captionTopTwips_);
  captionRect_ = RECT{x, y, x + toPixels(captionTwips_.width), y + toPixels(captionTwips_.height)};
}

void MonitorStage::setCaptionFont(const CaptionFont& font) {
  captionSpec_ = font;
  hasFont_ = true;
  makeFont();
}

void MonitorStage::copyCaptionStyle(const MonitorStage& from) {
  captionColor_ = from.captionColor_;
  if (from.hasFont_) setCaptionFont(from.captionSpec_);
}

void MonitorStage::makeFont() {
  LOGFONTW lf{};
  lf.lfHeight = fontHeightPixels(captionSpec_.size, place_.twipsPerPixel);
  lf.lfWeight = captionSpec_.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = captionSpec_.italic;
  lf.lfUnderline = captionSpec_.underline;
  lf.lfStrikeOut = captionSpec_.strikethrough;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  lstrcpynW(lf.lfFaceName, win32::toWide(captionSpec_.name, kTextCodePage).c_str(), LF_FACESIZE);
  captionFont_.reset(CreateFontIndirectW(&lf));
}

HFONT MonitorStage::font() const {
  return captionFont_ ? captionFont_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void MonitorStage::setCaptionColor(std::uint32_t rgb) { captionColor_ = win32::toColorRef(rgb); }

void MonitorStage::setCaptionVisible(bool visible) {
  if (captionVisible_ == visible) return;
  captionVisible_ = visible;
  InvalidateRect(canvas_.canvasWindow(), &captionRect_, FALSE);
}

TwipSize MonitorStage::setCaptionText(const std::string& text) {
  captionText_ = win32::toWide(text, kTextCodePage);
  win32::WindowDc dc(canvas_.canvasWindow());
  win32::SelectIn selected(dc.get(), font());
  SIZE extent{0, 0};
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.get(), &tm);
  if (!captionText_.empty())
    GetTextExtentPoint32W(dc.get(), captionText_.data(), static_cast<int>(captionText_.size()), &extent);
  InvalidateRect(canvas_.canvasWindow(), &captionRect_, FALSE);
  return {extent.cx * place_.twipsPerPixel, tm.tmHeight * place_.twipsPerPixel};
}

double MonitorStage::captionLineHeight() const {
  win32::WindowDc dc(canvas_.canvasWindow());
  win32::SelectIn selected(dc.get(), font());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.get(), &tm);
  return tm.tmHeight * place_.twipsPerPixel;
}

void MonitorStage::setCaptionGeometry(double left, double width, double height) {
  InvalidateRect(canvas_.canvasWindow(), &captionRect_, FALSE);
  captionTwips_ = TwipRect{left, captionTopTwips_, width, height};
  placeLayers();
  InvalidateRect(canvas_.canvasWindow(), &captionRect_, FALSE);
}

void MonitorStage::clearPictures() {
  // The visible surface keeps its committed picture; the source is emptied
  // before the next picture is loaded into it.
  source_.reset();
}

void MonitorStage::setSourcePicture(PicturePtr picture) {
  // Transparent parts show the picture surface's own colour, as they would
  // on any surface of that colour; the effects and the commit then copy
  // plain pixels.
  const win32::DibPicture* dib = asDib(picture);
  if (dib && !dib->opaque()) {
    if (auto matted = dib->overColour(win32::fromColorRef(pictureBackColor_))) picture = std::move(matted);
  }
  source_ = std::move(picture);
}

const win32::DibPicture* MonitorStage::source() const { return asDib(source_); }

void MonitorStage::setPictureVisible(bool visible) {
  win32::WindowDc dc(canvas_.canvasWindow());
  if (!visible) {
    pictureVisible_ = false;
    canvas_.repaint(dc.get(), pictureRect_);
    return;
  }
  // The surface appears in its own colour; the effect then lays the new
  // picture over it.
  pictureVisible_ = true;
  pictureFilled_ = true;
  paintPicture(dc.get());
}

void MonitorStage::setPictureRect(const TwipRect& r) {
  const RECT before = pictureRect_;
  pictureTwips_ = r;
  placeLayers();
  if (!pictureVisible_ || EqualRect(&before, &pictureRect_)) return;
  // The picture at its new place, then what it uncovered.
  win32::WindowDc dc(canvas_.canvasWindow());
  paintPicture(dc.get());
  RECT uncovered[4];
  for (int i = 0, n = difference(before, pictureRect_, uncovered); i < n; ++i) canvas_.repaint(dc.get(), uncovered[i]);
}

void MonitorStage::setPanZoom(const effects::PanZoomPath& path, double displaySeconds) {
  pendingPan_.reset();
  auto loaded = std::dynamic_pointer_cast<const win32::DibPicture>(source_);
  if (!loaded) return;  // the picture shows still
  const int w = place_.monitor.right - place_.monitor.left, h = place_.monitor.bottom - place_.monitor.top;
  std::shared_ptr<win32::DibPicture> frame;
  const auto fits = [w, h](const std::shared_ptr<win32::DibPicture>& f) {
    return f && f.use_count() == 1 && f->width() == w && f->height() == h;
  };
  if (fits(spareFrame_)) {
    frame = std::move(spareFrame_);
  } else {
    frame = win32::DibPicture::create(w, h);
    // The other of the pair now, with its pages touched, rather than at the
    // next change.
    spareFrame_ = win32::DibPicture::create(w, h);
    if (spareFrame_) std::fill_n(reinterpret_cast<std::uint32_t*>(spareFrame_->mutableBits()), std::size_t(w) * h, 0u);
  }
  if (!frame) return;
  frame->setOpaque(true);
  panDrawer_.draw(pixelsOf(*loaded), {loaded->width(), loaded->height()}, effects::panZoomPlace(path, 0),
                  reinterpret_cast<std::uint32_t*>(frame->mutableBits()), {w, h}, dibPixel(pictureBackColor_));
  pendingPan_ = Panning{std::move(loaded), path, displaySeconds, frame, 0};
  source_ = std::move(frame);  // the first frame is what the transition reveals
}

void MonitorStage::panZoomStep(double now) {
  if (!activePan_ || !pictureVisible_ || pictureFilled_) return;
  Panning& p = *activePan_;
  const double progress = effects::panZoomProgress(now - p.start, p.seconds);
  const int w = p.frame->width(), h = p.frame->height();
  GdiFlush();  // the caption drawn into the frame before
  panDrawer_.draw(pixelsOf(*p.picture), {p.picture->width(), p.picture->height()},
                  effects::panZoomPlace(p.path, progress), reinterpret_cast<std::uint32_t*>(p.frame->mutableBits()),
                  {w, h}, dibPixel(pictureBackColor_));
  // The caption stays in its band over the moving picture.
  SetViewportOrgEx(committedDc_.dc(), -pictureRect_.left, -pictureRect_.top, nullptr);
  paintCaptionLayer(committedDc_.dc(), pictureRect_);
  SetViewportOrgEx(committedDc_.dc(), 0, 0, nullptr);
  win32::WindowDc dc(canvas_.canvasWindow());
  paintPicture(dc.get());
}

void MonitorStage::commitPicture() {
  if (activePan_) spareFrame_ = std::move(activePan_->frame);
  activePan_ = std::move(pendingPan_);
  pendingPan_.reset();
  if (activePan_) {
    activePan_->start = win32::SystemClock().monotonicSeconds();
    canvas_.wantFrames();
  }
  // Selected before the old picture goes: a bitmap still selected into a DC
  // could not be deleted.
  const win32::DibPicture* dib = asDib(source_);
  committedDc_.show(dib ? dib->bitmap() : nullptr);
  committed_ = source_;  // shared, not copied
  pictureFilled_ = false;
  win32::WindowDc dc(canvas_.canvasWindow());
  if (pictureVisible_) paintPicture(dc.get());
}

bool MonitorStage::showsLayersIn(const RECT& area) const {
  RECT onMonitor, both;
  if (!IntersectRect(&onMonitor, &area, &place_.monitor)) return false;
  return (pictureVisible_ && IntersectRect(&both, &onMonitor, &pictureRect_)) ||
         (captionVisible_ && !captionText_.empty() && IntersectRect(&both, &onMonitor, &captionRect_));
}

void MonitorStage::paintPicture(HDC dc) {
  RECT shown;
  if (!IntersectRect(&shown, &pictureRect_, &place_.monitor)) return;
  const win32::DibPicture* picture = pictureFilled_ ? nullptr : asDib(committed_);
  if (!picture) {
    win32::UniqueBrush brush(CreateSolidBrush(pictureBackColor_));
    FillRect(dc, &shown, brush.get());
    return;
  }
  BitBlt(dc, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, committedDc_.dc(),
         shown.left - pictureRect_.left, shown.top - pictureRect_.top, SRCCOPY);
}

void MonitorStage::paintPictureLayer(HDC dc) {
  if (pictureVisible_) paintPicture(dc);
}

void MonitorStage::paintLayers(HDC dc, const RECT& area) {
  RECT both;
  const bool picture = pictureVisible_ && IntersectRect(&both, &area, &pictureRect_);
  // A panning picture covers the monitor: its caption goes over it.
  if (activePan_) {
    if (picture) paintPicture(dc);
    paintCaptionLayer(dc, area);
    return;
  }
  paintCaptionLayer(dc, area);
  if (picture) paintPicture(dc);
}

void MonitorStage::paintCaptionLayer(HDC dc, const RECT& area) {
  RECT both;
  const bool caption = captionVisible_ && !captionText_.empty() && IntersectRect(&both, &area, &captionRect_) != FALSE;
  if (caption) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, place_.monitor.left, place_.monitor.top, place_.monitor.right, place_.monitor.bottom);
    {
      win32::SelectIn selected(dc, font());
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, captionColor_);
      RECT text = captionRect_;
      DrawTextW(dc, captionText_.data(), static_cast<int>(captionText_.size()), &text,
                DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    }
    RestoreDC(dc, saved);
  }
}

}  // namespace lumova::saver
