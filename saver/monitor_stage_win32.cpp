#include "saver/monitor_stage_win32.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <cmath>

#include "common/units.h"
#include "picture/wic_loader_win32.h"
#include "saver/clock_face.h"

namespace lumova::saver {
namespace {

// How far the clock's shadow reaches around its glyphs.
constexpr int kClockShadowPixels = 4;

const win32::DibPicture* asDib(const PicturePtr& p) { return dynamic_cast<const win32::DibPicture*>(p.get()); }

effects::Rect toRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The details line's size against the caption's, and its smallest.
constexpr double kDetailsScale = 0.7;
constexpr double kDetailsLeastPoints = 8;
constexpr std::uint32_t kBandColour = 0x101010;  // nearly black
constexpr std::uint32_t kMarkColour = 0xF0F0F0;
// The pause mark, in pixels at 96 DPI: a dark square, two bars on it, this
// far from the monitor's top-right corner.
constexpr int kMarkSide = 44, kMarkMargin = 24, kBarWidth = 10, kBarHeight = 24, kBarGap = 8;

RECT onMonitor(const RECT& r, const RECT& monitor) {
  RECT shown{};
  IntersectRect(&shown, &r, &monitor);
  return shown;
}

// The parts of `from` that `cut` does not cover: up to four rectangles.
void appendUncovered(const RECT& from, const RECT& cut, std::vector<RECT>& out) {
  std::vector<effects::Rect> parts;
  effects::appendDifference(toRect(from), toRect(cut), parts);
  for (const effects::Rect& p : parts) out.push_back(RECT{p.left, p.top, p.right, p.bottom});
}

}  // namespace

MonitorStage::MonitorStage(StageCanvas& canvas, const StagePlace& place, COLORREF pictureBackColor)
    : canvas_(canvas), place_(place), pictureBackColor_(pictureBackColor) {}

void MonitorStage::moveTo(const StagePlace& place) {
  place_ = place;
  placeLayers();
}

effects::TextFont MonitorStage::clockFont() const {
  effects::TextFont f = textFont();
  f.height = fontHeightPixels(clockPoints(hasFont_ ? captionSpec_.size : 0), place_.twipsPerPixel);
  return f;
}

RECT MonitorStage::clockArea() const {
  if (clockText_.empty()) return RECT{};
  RECT r = placeOf(clockTwips_);
  InflateRect(&r, kClockShadowPixels, kClockShadowPixels);
  return onMonitor(r, place_.monitor);
}

TwipSize MonitorStage::clockSize(const std::string& text) {
  const effects::TextExtent extent = canvas_.renderer().measureText(clockFont(), text);
  return {extent.width * place_.twipsPerPixel, extent.lineHeight * place_.twipsPerPixel};
}

void MonitorStage::setClock(const std::string& text, const TwipRect& where) {
  if (text == clockText_ && where == clockTwips_) return;
  const RECT before = clockArea();
  clockText_ = text;
  clockTwips_ = where;
  clockRect_ = clockArea();
  canvas_.redraw({before, clockRect_});
}

std::optional<effects::ShadowedTextLayer> MonitorStage::clockLayer() const {
  if (clockText_.empty() || IsRectEmpty(&clockRect_)) return std::nullopt;
  const std::uint32_t colour = win32::fromColorRef(captionColor_);
  return effects::ShadowedTextLayer{toRect(clockRect_),        toRect(place_.monitor), clockText_, clockFont(), colour,
                                    clockShadowColour(colour), kClockShadowPixels};
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
  commitSource();
  pictureVisible_ = true;
  pictureFilled_ = false;
}

void MonitorStage::placeLayers() {
  clockRect_ = clockArea();
  pictureRect_ = placeOf(pictureTwips_);
  const int x = toClientX(captionTwips_.left), y = toClientY(captionTopTwips_);
  captionRect_ = RECT{x, y, x + toPixels(captionTwips_.width), y + toPixels(captionTwips_.height)};
  if (committedPartner_) partnerRect_ = placeOf(committedPartner_->twips);
  const int px = toClientX(partnerCaptionTwips_.left);
  partnerCaptionRect_ =
      RECT{px, y, px + toPixels(partnerCaptionTwips_.width), y + toPixels(partnerCaptionTwips_.height)};
}

void MonitorStage::setCaptionFont(const CaptionFont& font) {
  captionSpec_ = font;
  hasFont_ = true;
}

void MonitorStage::copyCaptionStyle(const MonitorStage& from) {
  captionColor_ = from.captionColor_;
  if (from.hasFont_) setCaptionFont(from.captionSpec_);
}

effects::TextFont MonitorStage::textFont() const {
  if (!hasFont_) return {};
  effects::TextFont f;
  f.face = captionSpec_.name;
  f.height = fontHeightPixels(captionSpec_.size, place_.twipsPerPixel);
  f.bold = captionSpec_.bold;
  f.italic = captionSpec_.italic;
  f.underline = captionSpec_.underline;
  f.strikethrough = captionSpec_.strikethrough;
  return f;
}

void MonitorStage::setCaptionColor(std::uint32_t rgb) { captionColor_ = win32::toColorRef(rgb); }

void MonitorStage::setCaptionVisible(bool visible) {
  if (captionVisible_ == visible) return;
  captionVisible_ = visible;
  InvalidateRect(canvas_.canvasWindow(), &captionRect_, FALSE);
  InvalidateRect(canvas_.canvasWindow(), &partnerCaptionRect_, FALSE);
}

TwipSize MonitorStage::setPartnerCaptionText(const std::string& text) {
  partnerCaptionText_ = text;
  const effects::TextExtent extent = canvas_.renderer().measureText(textFont(), text);
  InvalidateRect(canvas_.canvasWindow(), &partnerCaptionRect_, FALSE);
  return {extent.width * place_.twipsPerPixel, extent.lineHeight * place_.twipsPerPixel};
}

void MonitorStage::setPartnerCaptionGeometry(double left, double width, double height) {
  InvalidateRect(canvas_.canvasWindow(), &partnerCaptionRect_, FALSE);
  partnerCaptionTwips_ = TwipRect{left, captionTopTwips_, width, height};
  placeLayers();
  InvalidateRect(canvas_.canvasWindow(), &partnerCaptionRect_, FALSE);
}

TwipSize MonitorStage::setCaptionText(const std::string& text) {
  captionText_ = text;
  const effects::TextExtent extent = canvas_.renderer().measureText(textFont(), text);
  InvalidateRect(canvas_.canvasWindow(), &captionRect_, FALSE);
  return {extent.width * place_.twipsPerPixel, extent.lineHeight * place_.twipsPerPixel};
}

double MonitorStage::captionLineHeight() const {
  return canvas_.renderer().measureText(textFont(), "").lineHeight * place_.twipsPerPixel;
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
  sourceId_.reset();
  sourceSurround_.reset();
  sourceSurroundId_.reset();
  sourcePartner_.reset();
  pendingPan_.reset();
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
  sourceId_ = effects::handOver(canvas_.renderer(), source_);
  sourceSurround_.reset();
  sourceSurroundId_.reset();
  sourcePartner_.reset();
  pendingPan_.reset();
}

void MonitorStage::setSourcePartner(PicturePtr picture, PicturePtr surround, const TwipRect& r) {
  sourcePartner_.reset();
  if (!source_ || !picture) return;
  const win32::DibPicture* dib = asDib(picture);
  if (dib && !dib->opaque()) {
    if (auto matted = dib->overColour(win32::fromColorRef(pictureBackColor_))) picture = std::move(matted);
  }
  Partner p{std::move(picture), std::move(surround), nullptr, nullptr, r};
  p.id = effects::handOver(canvas_.renderer(), p.picture);
  p.surroundId = effects::handOver(canvas_.renderer(), p.surround);
  sourcePartner_ = std::move(p);
}

void MonitorStage::setSourceSurround(PicturePtr surround) {
  sourceSurround_ = source_ ? std::move(surround) : nullptr;
  sourceSurroundId_ = effects::handOver(canvas_.renderer(), sourceSurround_);
}

const win32::DibPicture* MonitorStage::source() const { return asDib(source_); }

effects::Rect MonitorStage::revealSize() const {
  if (pendingPan_ || sourceWhole()) {
    const RECT& m = place_.monitor;
    return {0, 0, m.right - m.left, m.bottom - m.top};
  }
  const win32::DibPicture* dib = source();
  return dib ? effects::Rect{0, 0, dib->width(), dib->height()} : effects::Rect{};
}

void MonitorStage::redrawPicture() {
  // A surround or a partner shown, or about to go, takes the whole monitor with it.
  const bool whole = committedSurroundId_ || committedPartner_;
  canvas_.redraw({whole ? place_.monitor : onMonitor(pictureRect_, place_.monitor)});
}

void MonitorStage::setPictureVisible(bool visible) {
  // Shown, the surface appears in its own colour; the effect then lays the
  // new picture over it.
  pictureVisible_ = visible;
  if (visible) pictureFilled_ = true;
  redrawPicture();
}

void MonitorStage::setPictureRect(const TwipRect& r) {
  const RECT before = pictureRect_;
  pictureTwips_ = r;
  placeLayers();
  if (!pictureVisible_ || EqualRect(&before, &pictureRect_)) return;
  // The picture at its new place, then what it uncovered.
  std::vector<RECT> areas{onMonitor(pictureRect_, place_.monitor)};
  appendUncovered(before, pictureRect_, areas);
  canvas_.redraw(areas);
}

void MonitorStage::setPanZoom(const effects::PanZoomPath& path, double displaySeconds) {
  pendingPan_.reset();
  if (!source()) return;  // the picture shows still
  const effects::PanZoomPlace first = effects::panZoomPlace(path, 0);
  pendingPan_ = Panning{path, displaySeconds, 0, false, false, first};
}

void MonitorStage::holdPanZoom() {
  for (std::optional<Panning>* pan : {&pendingPan_, &activePan_}) {
    if (!*pan || (*pan)->still) continue;
    (*pan)->still = true;
    (*pan)->place = effects::fittedPlace((*pan)->path.picture, (*pan)->path.screen);
  }
  if (activePan_ && pictureVisible_ && !pictureFilled_) redrawPicture();
}

void MonitorStage::panZoomStep(double now) {
  if (paused_ || !pans() || !pictureVisible_ || pictureFilled_) return;
  Panning& p = *activePan_;
  p.place = effects::panZoomPlace(p.path, effects::panZoomProgress(now - p.start, p.seconds));
  redrawPicture();
}

void MonitorStage::commitSource() {
  // A crossfade adopts the picture before its commit: the path goes with the picture once.
  if (committed_ != source_ || pendingPan_) {
    activePan_ = std::move(pendingPan_);
    pendingPan_.reset();
  }
  committed_ = source_;  // shared, not copied
  committedId_ = sourceId_;
  committedSurround_ = sourceSurround_;
  committedSurroundId_ = sourceSurroundId_;
  committedPartner_ = sourcePartner_;
  placeLayers();
  pictureFilled_ = false;
}

void MonitorStage::commitPicture() {
  commitSource();
  if (activePan_ && !activePan_->started) {
    activePan_->started = true;
    activePan_->start = canvas_.now();
    // Paused, it holds at its start until the show goes on.
    if (paused_) pausedAt_ = activePan_->start;
    if (!activePan_->still) canvas_.wantFrames();
  }
  if (pictureVisible_) redrawPicture();
}

std::optional<effects::PictureLayer> MonitorStage::pictureLayer() const {
  if (!pictureVisible_) return std::nullopt;
  effects::PictureLayer layer;
  layer.rect = toRect(pictureRect_);
  layer.keepIn = toRect(place_.monitor);
  layer.fill = win32::fromColorRef(pictureBackColor_);
  if (pictureFilled_) return layer;
  layer.picture = effects::idOf(committedId_);
  if (activePan_) {
    layer.source = effects::sourceAreaOf(activePan_->place, activePan_->path.screen);
    if (committedSurroundId_) layer.clip = panClip(activePan_->path, activePan_->place);
  }
  return layer;
}

std::vector<effects::Rect> MonitorStage::panClip(const effects::PanZoomPath& path,
                                                 const effects::PanZoomPlace& place) const {
  // The screen pixels whose centres the picture covers.
  const auto span = [](double origin, double length, long offset, int& first, int& last) {
    first = static_cast<int>(std::ceil(origin - 0.5)) + offset;
    last = static_cast<int>(std::ceil(origin + length - 0.5)) + offset;
  };
  effects::Rect r;
  span(place.left, path.picture.width * place.scale, place_.monitor.left, r.left, r.right);
  span(place.top, path.picture.height * place.scale, place_.monitor.top, r.top, r.bottom);
  return {effects::intersection(r, toRect(place_.monitor))};
}

RECT MonitorStage::half(bool right) const {
  RECT r = place_.monitor;
  const LONG middle = r.left + (r.right - r.left) / 2;
  (right ? r.left : r.right) = middle;
  return r;
}

effects::PictureLayer MonitorStage::surroundOf(const PicturePtr& surround, const effects::PictureHandle& id,
                                               const RECT& area) const {
  effects::PictureLayer layer;
  layer.rect = toRect(area);
  layer.keepIn = toRect(place_.monitor);
  layer.picture = effects::idOf(id);
  layer.fill = win32::fromColorRef(pictureBackColor_);
  // Scaled up over its area: it was made small, in the area's shape.
  layer.source = effects::SourceArea{0, 0, double(surround->width()), double(surround->height())};
  return layer;
}

std::vector<effects::PictureLayer> MonitorStage::surroundLayers() const {
  std::vector<effects::PictureLayer> out;
  if (!pictureVisible_ || pictureFilled_) return out;
  const bool pair = committedPartner_.has_value();
  if (committedSurroundId_)
    out.push_back(surroundOf(committedSurround_, committedSurroundId_, pair ? half(false) : place_.monitor));
  if (pair && committedPartner_->surroundId)
    out.push_back(surroundOf(committedPartner_->surround, committedPartner_->surroundId, half(true)));
  return out;
}

std::vector<effects::PictureLayer> MonitorStage::pictureLayers() const {
  std::vector<effects::PictureLayer> out;
  const auto picture = pictureLayer();
  if (!picture) return out;
  out.push_back(*picture);
  if (!committedPartner_) return out;
  // Filled in the surface's colour before its reveal, as the first is.
  effects::PictureLayer partner = *picture;
  partner.rect = toRect(partnerRect_);
  partner.clip.clear();
  if (!pictureFilled_) partner.picture = effects::idOf(committedPartner_->id);
  out.push_back(partner);
  return out;
}

std::vector<effects::PictureLayer> MonitorStage::sourceLayers(const RECT& at) const {
  std::vector<effects::PictureLayer> out;
  const auto source = sourceLayer(at);
  if (!source) return out;
  const bool pair = sourcePartner_.has_value();
  if (sourceSurroundId_)
    out.push_back(surroundOf(sourceSurround_, sourceSurroundId_, pair ? half(false) : place_.monitor));
  if (pair && sourcePartner_->surroundId)
    out.push_back(surroundOf(sourcePartner_->surround, sourcePartner_->surroundId, half(true)));
  out.push_back(*source);
  if (pair) {
    effects::PictureLayer partner = *source;
    partner.rect = toRect(placeOf(sourcePartner_->twips));
    partner.picture = effects::idOf(sourcePartner_->id);
    partner.source.reset();
    partner.clip.clear();
    out.push_back(partner);
  }
  return out;
}

std::optional<effects::CaptionLayer> MonitorStage::partnerCaptionLayer() const {
  if (!captionVisible_ || partnerCaptionText_.empty()) return std::nullopt;
  return effects::CaptionLayer{toRect(partnerCaptionRect_), toRect(place_.monitor), partnerCaptionText_, textFont(),
                               win32::fromColorRef(captionColor_)};
}

std::optional<effects::PictureLayer> MonitorStage::sourceLayer(const RECT& at) const {
  if (!sourceId_) return std::nullopt;
  effects::PictureLayer layer;
  layer.rect = toRect(at);
  layer.keepIn = toRect(place_.monitor);
  layer.fill = win32::fromColorRef(pictureBackColor_);
  layer.picture = effects::idOf(sourceId_);
  if (pendingPan_) {
    layer.source = effects::sourceAreaOf(pendingPan_->place, pendingPan_->path.screen);
    if (sourceSurroundId_) layer.clip = panClip(pendingPan_->path, pendingPan_->place);
  }
  return layer;
}

std::optional<effects::CaptionLayer> MonitorStage::captionLayer() const {
  if (!captionVisible_ || captionText_.empty()) return std::nullopt;
  return effects::CaptionLayer{toRect(captionRect_), toRect(place_.monitor), captionText_, textFont(),
                               win32::fromColorRef(captionColor_)};
}

void MonitorStage::describe(std::vector<effects::Layer>& out) const {
  const auto caption = captionLayer();
  const auto partnerCaption = partnerCaptionLayer();
  for (const auto& s : surroundLayers()) out.emplace_back(s);
  // The picture surface lies over the caption label, but a panning picture
  // covers the monitor: its caption goes over it.
  if (!activePan_) {
    if (caption) out.emplace_back(*caption);
    if (partnerCaption) out.emplace_back(*partnerCaption);
  }
  for (const auto& p : pictureLayers()) out.emplace_back(p);
  if (activePan_ && caption) out.emplace_back(*caption);
  describeOver(out);
}

std::size_t MonitorStage::layersOver() const {
  std::vector<effects::Layer> over;
  describeOver(over);
  return over.size();
}

void MonitorStage::setPaused(bool paused) {
  if (paused == paused_) return;
  const double now = canvas_.now();
  paused_ = paused;
  if (paused) {
    pausedAt_ = now;
  } else if (activePan_ && activePan_->started) {
    activePan_->start += now - pausedAt_;  // on from where it stood
  }
  pauseMark_ = paused;
  if (paused) canvas_.pauseMarkShown();
  canvas_.redraw({pauseMarkRect()});
}

void MonitorStage::hidePauseMark() {
  if (!std::exchange(pauseMark_, false)) return;
  canvas_.redraw({pauseMarkRect()});
}

void MonitorStage::setDetails(const std::string& text) {
  if (text == details_) return;
  const RECT before = detailsRect();
  details_ = text;
  canvas_.redraw({before, detailsRect()});
}

effects::TextFont MonitorStage::detailsFont() const {
  effects::TextFont f = textFont();
  const double points = std::max(kDetailsLeastPoints, (hasFont_ ? captionSpec_.size : 0) * kDetailsScale);
  f.height = fontHeightPixels(points, place_.twipsPerPixel);
  f.underline = f.strikethrough = false;
  return f;
}

RECT MonitorStage::detailsRect() const {
  if (details_.empty()) return RECT{};
  // A band across the bottom of the monitor, a little higher than the line.
  const int line = canvas_.renderer().measureText(detailsFont(), details_).lineHeight;
  const int pad = std::max(2, line / 4);
  const RECT& m = place_.monitor;
  return RECT{m.left, std::max(m.top, m.bottom - line - 2 * pad), m.right, m.bottom};
}

RECT MonitorStage::pauseMarkRect() const {
  const double scale = kTwipsPerInch / kDefaultDpi / place_.twipsPerPixel;
  const auto px = [&](int n) { return static_cast<int>(std::lround(n * scale)); };
  const RECT& m = place_.monitor;
  const int right = m.right - px(kMarkMargin), top = m.top + px(kMarkMargin);
  return RECT{right - px(kMarkSide), top, right, top + px(kMarkSide)};
}

void MonitorStage::describeOver(std::vector<effects::Layer>& out) const {
  const effects::Rect monitor = toRect(place_.monitor);
  const auto fill = [&](const RECT& r, std::uint32_t colour) {
    effects::PictureLayer layer;
    layer.rect = toRect(r);
    layer.keepIn = monitor;
    layer.fill = colour;
    out.emplace_back(std::move(layer));
  };
  if (!details_.empty()) {
    const RECT band = detailsRect();
    fill(band, kBandColour);
    const int pad = (band.bottom - band.top - canvas_.renderer().measureText(detailsFont(), details_).lineHeight) / 2;
    RECT line = band;
    line.top += pad;
    // Light on the dark band, whatever the caption's colour.
    out.emplace_back(effects::CaptionLayer{toRect(line), monitor, details_, detailsFont(), kMarkColour});
  }
  if (pauseMark_) {
    const RECT mark = pauseMarkRect();
    fill(mark, kBandColour);
    const double scale = static_cast<double>(mark.right - mark.left) / kMarkSide;
    const auto px = [&](int n) { return static_cast<int>(std::lround(n * scale)); };
    const int top = mark.top + px((kMarkSide - kBarHeight) / 2);
    const int left = mark.left + px((kMarkSide - 2 * kBarWidth - kBarGap) / 2);
    fill(RECT{left, top, left + px(kBarWidth), top + px(kBarHeight)}, kMarkColour);
    const int second = left + px(kBarWidth + kBarGap);
    fill(RECT{second, top, second + px(kBarWidth), top + px(kBarHeight)}, kMarkColour);
  }
}

}  // namespace lumova::saver
