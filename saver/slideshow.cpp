#include "saver/slideshow.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "common/clock.h"
#include "common/host.h"
#include "common/message_box.h"
#include "common/protection.h"
#include "common/random.h"
#include "common/textnum.h"
#include "effects/pan_zoom.h"
#include "effects/transitions.h"
#include "settings/file_store.h"
#include "settings/settings_store.h"

namespace lumova::saver {

using settings::Key;

double centredOffset(double space, double size) {
  // Integer division truncates toward zero, as the halving must.
  auto difference = static_cast<std::int64_t>(roundHalfEven(space - size));
  return static_cast<double>(difference / 2);
}

PictureSize pictureRoom(PictureSize monitor, int captionBand, bool captioned, bool floating) {
  PictureSize room = monitor;
  if (captioned) room.height -= 2 * captionBand;
  if (floating) room = {room.width * 3 / 4, room.height * 3 / 4};
  return {std::max(room.width, 1), std::max(room.height, 1)};
}

Slideshow::Slideshow(SlideshowDeps deps)
    : d_(std::move(deps)),
      order_(SlideOrderDeps{d_.random, d_.orderRandom ? *d_.orderRandom : d_.random, d_.files,
                            d_.stateFiles ? *d_.stateFiles : d_.files, d_.exeFolder, d_.uprightSize, d_.folders}) {}

void Slideshow::start() {
  // Every value comes from one read of the settings file; values that are
  // missing or not usable are replaced by the same defaults the dialog uses.
  settings::SettingsStore store(d_.files, settings::settingsPath(d_.exeFolder));
  const settings::OptionValues values = settings::readOptions(store);
  options_ = saverOptions(values);
  captions_ = CaptionBook(options_.autoCaption, d_.host);

  settings::PictureList list = settings::readPictureList(store);
  // The folders are read from the start, beside the start-up delay.
  order_.load(PictureSequence(std::move(list.paths), std::move(list.captions), settings::readFolderList(store)),
              options_.randomOrder, options_.shuffle, monitorsInUse());
  d_.protection.password = settings::at(values, Key::saverPassword);
  d_.protection.enabled = settings::at(values, Key::saverEnabled);

  for (std::size_t m = 0; m < d_.view.monitorCount(); ++m) {
    d_.view.monitor(m).setCaptionFont(options_.captionFont);
    d_.view.monitor(m).setCaptionColor(options_.captionColor);
  }

  readPlatform(d_.host, d_.protection);
  if (systemLockApplies(d_.protection)) d_.host.setScreenSaverRunning(true);

  if (options_.desktopBackground)
    d_.view.snapshotDesktop();
  else
    d_.view.setBackColor(options_.backColor);

  for (std::size_t m = 0; m < d_.view.monitorCount(); ++m) d_.view.monitor(m).setCaptionTop(0);
  state_.enter(ShowPhase::Starting);
  d_.timers.set(TimerId::Startup, kStartupDelayMs);

  // In list order the first pictures are already known: start decoding them.
  const PictureSequence& sequence = order_.sequence();
  if (sequence.lastListed() >= 0 && !options_.randomOrder && d_.prefetch) {
    std::vector<PictureRequest> first;
    for (std::size_t m = 0; m < monitorsInUse(); ++m)
      first.push_back(requestFor(static_cast<std::int32_t>(m % static_cast<std::size_t>(sequence.lastListed() + 1)),
                                 d_.view.monitor(m)));
    d_.prefetch(first);
  }
}

std::size_t Slideshow::monitorsInUse() const {
  return options_.allMonitors ? std::max<std::size_t>(1, d_.view.monitorCount()) : 1;
}

void Slideshow::onTimer(TimerId id) {
  if (state_.ended()) return;
  switch (id) {
    case TimerId::Motion:
      onMotionTick();
      break;
    case TimerId::Change:
      onChangeTick();
      break;
    case TimerId::Startup:
      onStartupTick();
      break;
  }
}

// Loading, revealing and captioning a picture: whatever goes wrong in there
// ends the saver with the one message that names the picture.
template <typename Change>
void Slideshow::asPictureChange(Change&& change) {
  if (busy_ == 0) skippedThisTick_ = 0;
  ++busy_;
  try {
    change();
  } catch (...) {
    missingPictureExit(inHand_);
  }
  --busy_;
  deliverFolderNews();
}

void Slideshow::onStartupTick() {
  d_.timers.kill(TimerId::Startup);
  // Once the slideshow runs, only a monitor added, still to be shown, arms it.
  if (started()) {
    if (state_.phase() == ShowPhase::Showing) asPictureChange([&] { showAddedMonitors(); });
    return;
  }
  const PictureSequence& sequence = order_.sequence();
  // With no pictures at all there is nothing to show: the background stays;
  // the folders' first pictures start the slideshow when they are found.
  if (sequence.last() < 0) {
    resuming_ = false;
    if (sequence.folders().empty()) return;
    state_.enter(ShowPhase::WaitingForPictures);
    if (sequence.scanning()) return;
    if (sequence.scannedOnce()) showNothingFound();
    order_.rescan();
    return;
  }

  asPictureChange([&] {
    state_.enter(ShowPhase::Starting);
    const bool resumed = std::exchange(resuming_, false);
    if (!resumed) {
      order_.restart();
      drawUpcoming();
    }
    const std::uint32_t interval = options_.changeIntervalMs;
    // Pan and zoom moves by the display's frames, not by the motion timer.
    const bool floating = !options_.centred && !options_.panZoom;
    if (floating && !resumed) d_.random.reseed();
    switch (showPictures()) {
      case Outcome::Later:
        resuming_ = true;
        d_.timers.set(TimerId::Startup, kSoonMs);
        return;
      case Outcome::Failed:
        // None of the folders' pictures could be shown: tried again later.
        if (!state_.ended()) d_.timers.set(TimerId::Startup, kNothingRetryMs);
        return;
      case Outcome::Done:
        break;
    }
    state_.enter(ShowPhase::Showing);
    order_.saveShown();
    showCaptions();
    if (!floating) {
      if (interval == 0) return;
      drawUpcoming();
      d_.timers.set(TimerId::Change, interval);
      return;
    }
    drawUpcoming();
    d_.timers.set(TimerId::Motion, options_.motionIntervalMs.value_or(kDefaultMotionIntervalMs));
    d_.timers.set(TimerId::Change, interval);
    drawFloatDirections();
  });
}

void Slideshow::onChangeTick() {
  asPictureChange([&] {
    // A change cut short by pictures passed over goes on where it stopped.
    const bool resumed = state_.phase() == ShowPhase::Changing;
    if (!resumed && !options_.centred && !options_.panZoom) drawFloatDirections();
    state_.enter(ShowPhase::Changing);
    // Held back while the change runs: the pause lets other events through,
    // and the next interval counts from the end of this change.
    d_.timers.set(TimerId::Change, kChangeHoldMs);
    switch (showPictures()) {
      case Outcome::Later:
        d_.timers.set(TimerId::Change, kSoonMs);
        return;
      case Outcome::Failed:
        if (state_.ended()) return;
        state_.enter(ShowPhase::Showing);
        d_.timers.set(TimerId::Change, options_.changeIntervalMs);
        return;
      case Outcome::Done:
        break;
    }
    state_.enter(ShowPhase::Showing);
    order_.saveShown();
    showCaptions();
    drawUpcoming();
    d_.timers.set(TimerId::Change, options_.changeIntervalMs);
  });
}

void Slideshow::drawUpcoming() {
  const std::size_t monitors = monitorsInUse();
  std::vector<bool> portraitMonitors, pairing;
  for (std::size_t m = 0; m < monitors; ++m) {
    const PictureSize size = monitorPixels(d_.view.monitor(m));
    portraitMonitors.push_back(size.height > size.width);
    pairing.push_back(options_.pairPortraits && size.width > size.height);
  }
  const std::vector<std::int32_t>& upcoming = order_.drawUpcoming(portraitMonitors, pairing);
  // Without changes nothing after the first pictures is ever shown.
  if (!d_.prefetch || options_.changeIntervalMs == 0) return;
  std::vector<PictureRequest> next;
  for (std::size_t m = 0; m < monitors; ++m) {
    const std::int32_t partner = order_.partners()[m];
    next.push_back(requestFor(upcoming[m], d_.view.monitor(m), partner >= 0));
    if (partner >= 0) next.push_back(requestFor(partner, d_.view.monitor(m), true));
  }
  d_.prefetch(next);
}

PictureSize Slideshow::monitorPixels(const MonitorView& monitor) {
  const auto pixels = [](double twips, double perPixel) { return static_cast<int>(std::lround(twips / perPixel)); };
  return {pixels(monitor.screenWidth(), monitor.twipsPerPixelX()),
          pixels(monitor.screenHeight(), monitor.twipsPerPixelY())};
}

PictureRequest Slideshow::requestFor(std::int32_t index, const MonitorView& monitor, bool paired) {
  const std::string& path = order_.sequence().path(index);
  PictureSize size = monitorPixels(monitor);
  if (paired) size.width = std::max(size.width / 2, 1);
  const PictureSize surround = options_.blurFill ? size : PictureSize{};
  // Covering its monitor whatever picFit says, held no larger than its
  // largest zoom needs.
  if (options_.panZoom && !paired) return PictureRequest{path, size, true, surround};
  PictureRequest request{path, {}, false, surround};
  if (!options_.fitToScreen && !paired) return request;
  const auto pixels = [](double twips, double perPixel) { return static_cast<int>(std::lround(twips / perPixel)); };
  const int band = pixels(monitor.captionLineHeight(), monitor.twipsPerPixelY());
  request.fit = pictureRoom(size, band, !captionOf(index).empty(), !options_.centred && !paired);
  return request;
}

Slideshow::Outcome Slideshow::loadSlide(std::size_t monitor, bool fade) {
  MonitorView& view = d_.view.monitor(monitor);
  Slide& slide = slides_[monitor];
  const PictureSequence& sequence = order_.sequence();
  if (!fade) view.setCaptionVisible(false);
  view.clearPictures();
  inHand_ = slide.image;
  PictureLoad loaded = d_.pictures.load(requestFor(slide.image, view, slide.partner >= 0));
  // A folder's picture that cannot be shown (gone, damaged) is passed over
  // without a word: the folder's content is no promise the user made. A few
  // a tick, so that input is answered between them.
  while (!loaded && !sequence.isListed(slide.image)) {
    if (++skipped_ >= sequence.size()) {
      skipped_ = 0;
      showNothingFound();
      if (!sequence.scanning()) order_.rescan();
      return Outcome::Failed;
    }
    slide.image = inHand_ = order_.replaceUpcoming(monitor);
    slide.partner = -1;
    if (++skippedThisTick_ >= kSkipsPerTick) return Outcome::Later;
    loaded = d_.pictures.load(requestFor(slide.image, view));
  }
  if (!loaded) {
    missingPictureExit(slide.image);
    return Outcome::Failed;
  }
  skipped_ = 0;
  PictureLoad partner;
  if (const Outcome paired = loadPartner(monitor, loaded, partner); paired != Outcome::Done) return paired;
  view.setSourcePicture(loaded.picture);
  placeSlide(monitor, loaded, partner ? &partner : nullptr);
  if (fade) return Outcome::Done;
  view.setPictureVisible(false);
  view.setPictureRect(slide.picture);
  return Outcome::Done;
}

Slideshow::Outcome Slideshow::loadPartner(std::size_t monitor, PictureLoad& loaded, PictureLoad& partner) {
  Slide& slide = slides_[monitor];
  if (slide.partner < 0) return Outcome::Done;
  MonitorView& view = d_.view.monitor(monitor);
  inHand_ = slide.partner;
  partner = d_.pictures.load(requestFor(slide.partner, view, true));
  if (partner) return Outcome::Done;
  if (order_.sequence().isListed(slide.partner)) {
    missingPictureExit(slide.partner);
    return Outcome::Failed;
  }
  // A folder's picture that cannot be shown: the first shows alone.
  slide.partner = -1;
  order_.dropPartner(monitor);
  inHand_ = slide.image;
  loaded = d_.pictures.load(requestFor(slide.image, view));
  return loaded ? Outcome::Done : Outcome::Later;
}

void Slideshow::placeSlide(std::size_t monitor, const PictureLoad& loaded, const PictureLoad* partner) {
  MonitorView& view = d_.view.monitor(monitor);
  const Picture& picture = *loaded.picture;
  Slide& slide = slides_[monitor];
  const int widthPx = picture.width();
  const int heightPx = picture.height();
  slide.picture.width = widthPx * view.twipsPerPixelX();
  slide.picture.height = heightPx * view.twipsPerPixelY();
  slide.picture.left = centredOffset(view.screenWidth(), slide.picture.width);
  slide.picture.top = centredOffset(view.screenHeight(), slide.picture.height);
  if (partner) {
    // Each centred in its half, still whatever the movement.
    const double half = view.screenWidth() / 2;
    slide.picture.left = centredOffset(half, slide.picture.width);
    TwipRect& r = slide.partnerPicture;
    r.width = partner->picture->width() * view.twipsPerPixelX();
    r.height = partner->picture->height() * view.twipsPerPixelY();
    r.left = half + centredOffset(half, r.width);
    r.top = centredOffset(view.screenHeight(), r.height);
    view.setSourceSurround(loaded.surround);
    view.setSourcePartner(partner->picture, partner->surround, r);
    return;
  }
  if (!options_.panZoom) {
    view.setSourceSurround(loaded.surround);
    return;
  }
  // Each picture takes its own path; the monitor shows its frames whole.
  const effects::PanZoomPath path = effects::planPanZoom({widthPx, heightPx}, monitorPixels(view), d_.random);
  // Only a picture shown whole leaves room around it; the surround stays still.
  view.setSourceSurround(path.fitted ? loaded.surround : nullptr);
  view.setPanZoom(path, options_.changeIntervalMs / 1000.0);
  slide.picture = TwipRect{0, 0, view.screenWidth(), view.screenHeight()};
}

Slideshow::Outcome Slideshow::showPictures() {
  const std::size_t monitors = std::min(monitorsInUse(), d_.view.monitorCount());
  // A monitor added since the pictures were drawn takes the next of the
  // sequence, as does one whose picture a rescan took away.
  order_.fillUpcoming(monitors);
  slides_.resize(monitors);
  // The crossfade dissolves the picture on screen straight into the next:
  // it stays, with its caption, until the fade takes it over.
  const bool fade = !options_.randomEffect && options_.effectMode == effects::kCrossfade;
  for (std::size_t m = 0; m < monitors; ++m) {
    slides_[m].image = order_.upcoming()[m];
    slides_[m].partner = m < order_.partners().size() ? order_.partners()[m] : -1;
    if (const Outcome loaded = loadSlide(m, fade); loaded != Outcome::Done) return loaded;
  }
  if (!(fade ? crossfadeTo() : pauseAndReveal())) return Outcome::Failed;
  // One added meanwhile has waited for this change to end.
  showAddedMonitors();
  return state_.ended() ? Outcome::Failed : Outcome::Done;
}

bool Slideshow::crossfadeTo() {
  // No pause: the fade starts from the picture on screen. Its caption
  // changes half way.
  std::vector<TwipRect> to;
  for (const Slide& slide : slides_) to.push_back(slide.picture);
  d_.view.playCrossfade(to, [this] { showCaptions(); });
  if (state_.ended()) return false;
  slides_.resize(std::min(slides_.size(), d_.view.monitorCount()));
  for (std::size_t m = 0; m < slides_.size(); ++m) {
    d_.view.monitor(m).setPictureRect(slides_[m].picture);
    d_.view.monitor(m).commitPicture();
  }
  return true;
}

bool Slideshow::pauseAndReveal() {
  // The pause: motion ticks and input run, the hidden pictures may move.
  const double deadline = d_.clock.monotonicSeconds() + kRevealPauseSeconds;
  for (double now = d_.clock.monotonicSeconds(); now < deadline && !state_.ended(); now = d_.clock.monotonicSeconds())
    d_.events.pumpFor(deadline - now);
  // A display change in the pause may have taken monitors away.
  if (state_.ended()) return false;
  slides_.resize(std::min(slides_.size(), d_.view.monitorCount()));

  for (std::size_t m = 0; m < slides_.size(); ++m) d_.view.monitor(m).setPictureVisible(true);
  if (!playTransitions()) return false;
  for (std::size_t m = 0; m < slides_.size(); ++m) d_.view.monitor(m).commitPicture();
  return true;
}

void Slideshow::displayChanged() {
  // Before the first pictures the start-up tick draws for every monitor.
  if (state_.ended() || !started()) return;
  slides_.resize(std::min(slides_.size(), d_.view.monitorCount()));
  // A change in progress adds them at its end.
  if (state_.phase() == ShowPhase::Showing) asPictureChange([&] { showAddedMonitors(); });
}

void Slideshow::showAddedMonitors() {
  const std::size_t monitors = std::min(monitorsInUse(), d_.view.monitorCount());
  while (!state_.ended() && slides_.size() < monitors) {
    const std::size_t m = slides_.size();
    Slide& slide = slides_.emplace_back();
    slide.image = order_.takeForAddedMonitor();
    slide.partner = -1;
    if (const Outcome loaded = loadSlide(m); loaded != Outcome::Done) {
      // Its next picture to try waits for the start-up timer's next tick.
      if (loaded == Outcome::Later) {
        order_.holdForAddedMonitor(slides_[m].image);
        d_.timers.set(TimerId::Startup, kSoonMs);
      }
      slides_.pop_back();
      return;
    }
    MonitorView& view = d_.view.monitor(m);
    view.setPictureVisible(true);
    view.commitPicture();
    showCaption(m);
    if (!options_.centred) slides_[m].step = effects::randomFloatStep(d_.random);
  }
}

bool Slideshow::playTransitions() {
  // "Standard" and numbers outside the list leave it all to the commit.
  std::vector<int> effects;
  bool any = false;
  for (std::size_t m = 0; m < slides_.size(); ++m) {
    const std::optional<int> effect = effects::chooseEffect(options_.effectMode, options_.randomEffect, d_.random);
    effects.push_back(!effect || *effect == effects::kStandard ? 0 : *effect);
    any = any || effects.back() != 0;
  }
  if (!any) return true;
  // Nothing else runs while the effects play: they do not yield to the queue.
  if (const std::optional<std::size_t> failed = d_.view.playEffects(effects)) {
    missingPictureExit(slides_[std::min(*failed, slides_.size() - 1)].image);
    return false;
  }
  return true;
}

void Slideshow::showCaptions() {
  for (std::size_t m = 0; m < slides_.size(); ++m) showCaption(m);
}

void Slideshow::showCaption(std::size_t monitor) {
  MonitorView& view = d_.view.monitor(monitor);
  Slide& slide = slides_[monitor];
  view.setCaptionVisible(false);
  view.setCaptionText("");
  const std::string& text = captionOf(slide.image);
  TwipSize fitted = view.setCaptionText(text);
  double width = fitted.width + kCaptionExtraWidthTwips;
  // A pair's captions stand each over its own picture, centred in its half.
  const bool paired = slide.partner >= 0;
  const double space = paired ? view.screenWidth() / 2 : view.screenWidth();
  double left = centredOffset(space, width);
  slide.captionHeight = text.empty() ? 0 : fitted.height;
  view.setCaptionGeometry(left, width, slide.captionHeight);
  const std::string& second = paired ? captionOf(slide.partner) : std::string();
  const TwipSize partnerFitted = view.setPartnerCaptionText(second);
  const double partnerWidth = partnerFitted.width + kCaptionExtraWidthTwips;
  view.setPartnerCaptionGeometry(space + centredOffset(space, partnerWidth), partnerWidth,
                                 second.empty() ? 0 : partnerFitted.height);
  view.setCaptionVisible(true);
}

void Slideshow::drawFloatDirections() {
  slides_.resize(std::min(monitorsInUse(), d_.view.monitorCount()));
  for (Slide& slide : slides_) slide.step = effects::randomFloatStep(d_.random);
}

void Slideshow::onMotionTick() {
  d_.random.reseed();
  const std::size_t monitors = std::min(slides_.size(), d_.view.monitorCount());
  for (std::size_t m = 0; m < monitors; ++m) {
    MonitorView& view = d_.view.monitor(m);
    Slide& s = slides_[m];
    if (s.image < 0 || s.partner >= 0) continue;  // a pair stays still
    effects::floatOnce(s.picture, s.step, s.captionHeight, TwipSize{view.screenWidth(), view.screenHeight()});
    view.setPictureRect(s.picture);
  }
}

void Slideshow::showNothingFound() {
  const PictureSequence& sequence = order_.sequence();
  if (sequence.folders().empty()) return;
  MonitorView& view = d_.view.monitor(0);
  view.setCaptionVisible(false);
  const TwipSize fitted = view.setCaptionText(kNoPicturesFound + sequence.folders().front());
  const double width = fitted.width + kCaptionExtraWidthTwips;
  view.setCaptionGeometry(centredOffset(view.screenWidth(), width), width, fitted.height);
  view.setCaptionVisible(true);
}

void Slideshow::missingPictureExit(std::int32_t image) {
  if (state_.ended()) return;
  state_.enter(ShowPhase::Ended);
  if (systemLockApplies(d_.protection)) d_.host.setScreenSaverRunning(false);
  d_.view.unload();
  const std::string& path = order_.sequence().path(image >= 0 ? image : 0);
  d_.messages.show(
      path + "\r\ndoes not exist! Lumova Screen Saver will\r\nnot function unless a different image is reloaded.",
      MessageKind::Exclamation);
  d_.host.endProgram();
}

}  // namespace lumova::saver
