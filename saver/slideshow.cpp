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
#include "saver/picture_details.h"
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

  // Pictures hidden for good are left out from the start.
  hidden_ = HiddenPictures::read(d_.files, hiddenListPath(d_.exeFolder));
  settings::PictureList list = settings::readPictureList(store);
  if (!hidden_.empty()) {
    settings::PictureList shown;
    for (std::size_t i = 0; i < list.paths.size(); ++i) {
      if (hidden_.contains(list.paths[i])) continue;
      shown.paths.push_back(std::move(list.paths[i]));
      shown.captions.push_back(std::move(list.captions[i]));
    }
    list = std::move(shown);
  }
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
  arm(TimerId::Startup, kStartupDelayMs);
  if (options_.clock != ClockShows::Nothing) onClockTick();

  // In list order the first pictures are already known: start decoding them.
  const PictureSequence& sequence = order_.sequence();
  if (sequence.lastListed() >= 0 && !options_.randomOrder && d_.prefetch && !state_.displayOff()) {
    std::vector<PictureRequest> first;
    for (std::size_t m = 0; m < monitorsInUse(); ++m)
      first.push_back(requestFor(static_cast<std::int32_t>(m % static_cast<std::size_t>(sequence.lastListed() + 1)),
                                 d_.view.monitor(m)));
    d_.prefetch(first);
  }
}

void Slideshow::arm(TimerId id, std::uint32_t intervalMs) {
  if (!state_.displayOff()) d_.timers.set(id, intervalMs);
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
    case TimerId::Clock:
      onClockTick();
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
  takeWaitingKeys();
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
    const bool floating = floats();
    if (floating && !resumed) d_.random.reseed();
    switch (showPictures()) {
      case Outcome::Later:
        resuming_ = true;
        arm(TimerId::Startup, kSoonMs);
        return;
      case Outcome::Failed:
        // None of the folders' pictures could be shown: tried again later.
        if (!state_.ended()) arm(TimerId::Startup, kNothingRetryMs);
        return;
      case Outcome::Done:
        break;
    }
    state_.enter(ShowPhase::Showing);
    order_.saveShown();
    recordShown();
    showCaptions();
    if (!floating) {
      // Without changes only the keys bring another picture.
      if (interval == 0 && !options_.keysSteer) return;
      drawUpcoming();
      armChange();
      return;
    }
    drawUpcoming();
    armMotion();
    armChange();
    drawFloatDirections();
  });
}

void Slideshow::armChange() {
  if (state_.paused())
    d_.timers.kill(TimerId::Change);
  else
    arm(TimerId::Change, options_.changeIntervalMs);
}

void Slideshow::armMotion() {
  if (!floats()) return;
  if (state_.paused())
    d_.timers.kill(TimerId::Motion);
  else
    arm(TimerId::Motion, motionInterval());
}

void Slideshow::onChangeTick() {
  asPictureChange([&] { changePictures(1); });
}

void Slideshow::changePictures(int step) {
  // A change cut short by pictures passed over goes on where it stopped.
  const bool resumed = state_.phase() == ShowPhase::Changing;
  if (!resumed) {
    goingTo_.clear();
    tookUpcoming_ = false;
    // Back, or forth again after going back: the history's pictures.
    if ((step < 0 || historyAt_ + 1 < history_.size()) && !aimInHistory(step)) return;
    if (floats()) drawFloatDirections();
  }
  state_.enter(ShowPhase::Changing);
  // Held back while the change runs: the pause lets other events through,
  // and the next interval counts from the end of this change.
  arm(TimerId::Change, kChangeHoldMs);
  switch (showPictures()) {
    case Outcome::Later:
      arm(TimerId::Change, kSoonMs);
      return;
    case Outcome::Failed:
      goingTo_.clear();
      if (state_.ended()) return;
      state_.enter(ShowPhase::Showing);
      armChange();
      return;
    case Outcome::Done:
      break;
  }
  state_.enter(ShowPhase::Showing);
  const bool fromHistory = !goingTo_.empty();
  goingTo_.clear();
  if (fromHistory) {
    historyAt_ = goingToAt_;
  } else {
    order_.saveShown();
    recordShown();
  }
  showCaptions();
  if (!fromHistory || tookUpcoming_) drawUpcoming();
  armChange();
}

bool Slideshow::aimInHistory(int step) {
  const PictureSequence& sequence = order_.sequence();
  // Positions move with a rescan: a picture is found again by its path.
  const auto find = [&](const Seen& seen) -> std::int32_t {
    if (hidden_.contains(seen.path)) return -1;
    if (sequence.path(seen.image) == seen.path) return seen.image;
    for (std::int32_t i = 0; i <= sequence.last(); ++i)
      if (sequence.path(i) == seen.path) return i;
    return -1;
  };
  std::size_t at = historyAt_;
  while (step < 0 ? at > 0 : at + 1 < history_.size()) {
    at = step < 0 ? at - 1 : at + 1;
    std::vector<std::int32_t> to;
    for (const Seen& seen : history_[at]) to.push_back(find(seen));
    if (std::all_of(to.begin(), to.end(), [](std::int32_t i) { return i < 0; })) continue;
    goingTo_ = std::move(to);
    goingToAt_ = at;
    return true;
  }
  // Forth past the last entry the order goes on; back before the first the show stays.
  historyAt_ = step > 0 ? history_.size() - 1 : historyAt_;
  return step > 0;
}

void Slideshow::recordShown() {
  std::vector<Seen> entry;
  for (const Slide& slide : slides_) entry.push_back({slide.image, order_.sequence().path(slide.image)});
  history_.push_back(std::move(entry));
  // The pictures on the screen and as many changes before them.
  while (history_.size() > kHistoryLength + 1) history_.pop_front();
  historyAt_ = history_.size() - 1;
}

bool Slideshow::steer(const KeyPress& key) {
  if (!options_.keysSteer || !state_.takesInput()) return false;
  const Steer what = steerOf(key);
  if (what == Steer::None) return false;
  // Protected, hiding a picture for good is not for whoever passes by: it
  // brings up the prompt, as any other key does.
  if (what == Steer::Hide && protectionOn(d_.protection)) return false;
  if (what == Steer::Next || what == Steer::Previous) {
    const double now = d_.clock.monotonicSeconds();
    if (key.repeat && now - lastStep_ < kHeldStepSeconds) return true;
    lastStep_ = now;
  }
  // In a change's pause: once it has ended.
  if (busy_ > 0 || state_.phase() == ShowPhase::Changing) {
    if (waitingKeys_.size() < kKeysWaitingMost) waitingKeys_.push_back(what);
    return true;
  }
  act(what);
  return true;
}

void Slideshow::takeWaitingKeys() {
  while (busy_ == 0 && state_.phase() != ShowPhase::Changing && !waitingKeys_.empty()) {
    // The prompt came up meanwhile: they were the last keys before it.
    if (!state_.takesInput()) {
      waitingKeys_.clear();
      return;
    }
    const Steer what = waitingKeys_.front();
    waitingKeys_.pop_front();
    act(what);
  }
}

void Slideshow::act(Steer what) {
  switch (what) {
    case Steer::Next:
    case Steer::Previous:
      if (state_.phase() == ShowPhase::Showing) asPictureChange([&] { changePictures(what == Steer::Next ? 1 : -1); });
      return;
    case Steer::Pause:
      pause(!state_.paused());
      return;
    case Steer::Details:
      details_ = !details_;
      for (std::size_t m = 0; m < std::min(slides_.size(), d_.view.monitorCount()); ++m) showDetails(m);
      return;
    case Steer::Hide:
      hideShown();
      return;
    case Steer::None:
      return;
  }
}

void Slideshow::pause(bool on) {
  state_.setPaused(on);
  for (std::size_t m = 0; m < std::min(monitorsInUse(), d_.view.monitorCount()); ++m) d_.view.monitor(m).setPaused(on);
  // Before the first pictures the start-up arms what applies.
  if (state_.phase() != ShowPhase::Showing) return;
  if (on) {
    d_.timers.kill(TimerId::Change);
    d_.timers.kill(TimerId::Motion);
    return;
  }
  armMotion();
  armChange();
}

void Slideshow::hideShown() {
  if (state_.phase() != ShowPhase::Showing || slides_.empty() || slides_.front().image < 0) return;
  // The primary monitor's picture; saved beside the shuffle state, on its worker.
  if (hidden_.add(order_.sequence().path(slides_.front().image)) && hidden_.savable())
    stateFiles().replaceAtomically(hiddenListPath(d_.exeFolder), hidden_.bytes());
  asPictureChange([&] { changePictures(1); });
}

bool Slideshow::isHidden(std::int32_t image) const {
  return !hidden_.empty() && hidden_.contains(order_.sequence().path(image));
}

void Slideshow::showDetails(std::size_t monitor) {
  MonitorView& view = d_.view.monitor(monitor);
  const Slide& slide = slides_[monitor];
  if (!details_ || slide.image < 0) {
    view.setDetails("");
    return;
  }
  const std::string& path = order_.sequence().path(slide.image);
  std::optional<PictureSize> pixels = slide.pixels;
  if (!pixels && d_.uprightSize) pixels = d_.uprightSize(path);
  view.setDetails(pictureDetails(path, pixels, d_.host));
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
  // Without changes nothing after the first pictures is ever shown, unless
  // the keys bring it; with the display off nothing is decoded until it is
  // on again.
  if (!d_.prefetch || (options_.changeIntervalMs == 0 && !options_.keysSteer) || state_.displayOff()) return;
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
  // largest zoom needs; standing still, fitted whatever picFit says.
  if (pans() && !paired) return PictureRequest{path, size, true, surround};
  PictureRequest request{path, {}, false, surround};
  if (!options_.fitToScreen && !options_.panZoom && !paired) return request;
  const auto pixels = [](double twips, double perPixel) { return static_cast<int>(std::lround(twips / perPixel)); };
  const int band = pixels(monitor.captionLineHeight(), monitor.twipsPerPixelY());
  request.fit = pictureRoom(size, band, !captionOf(index).empty(), floats() && !paired);
  return request;
}

Slideshow::Outcome Slideshow::loadSlide(std::size_t monitor, bool fade) {
  MonitorView& view = d_.view.monitor(monitor);
  Slide& slide = slides_[monitor];
  const PictureSequence& sequence = order_.sequence();
  if (!fade) {
    view.setCaptionVisible(false);
    if (details_) view.setDetails("");
  }
  view.clearPictures();
  inHand_ = slide.image;
  // A picture hidden in this run is passed over unread.
  const auto load = [&] {
    return isHidden(slide.image) ? PictureLoad{} : d_.pictures.load(requestFor(slide.image, view, slide.partner >= 0));
  };
  PictureLoad loaded = load();
  // A folder's picture that cannot be shown (gone, damaged) is passed over
  // without a word: the folder's content is no promise the user made. A few
  // a tick, so that input is answered between them.
  while (!loaded && (!sequence.isListed(slide.image) || isHidden(slide.image))) {
    if (++skipped_ >= sequence.size()) {
      skipped_ = 0;
      showNothingFound();
      if (!sequence.scanning()) order_.rescan();
      return Outcome::Failed;
    }
    slide.image = inHand_ = order_.replaceUpcoming(monitor);
    if (monitor < goingTo_.size() && std::exchange(goingTo_[monitor], -1) >= 0) tookUpcoming_ = true;
    slide.partner = -1;
    if (++skippedThisTick_ >= kSkipsPerTick) return Outcome::Later;
    loaded = load();
  }
  if (!loaded) {
    missingPictureExit(slide.image);
    return Outcome::Failed;
  }
  skipped_ = 0;
  // Loaded neither fitted nor to cover, the picture tells its own size.
  slide.pixels.reset();
  if (!options_.fitToScreen && !options_.panZoom)
    slide.pixels = PictureSize{loaded.picture->width(), loaded.picture->height()};
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
  if (!pans()) {
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
    // A step through the history: a monitor without a picture there takes the order's next.
    const bool own = m < goingTo_.size() && goingTo_[m] >= 0;
    if (!own && !goingTo_.empty()) tookUpcoming_ = true;
    slides_[m].image = own ? goingTo_[m] : order_.upcoming()[m];
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
  // The display went off in the pause: the pictures are there when it comes back, no effect drawn.
  if (!state_.displayOff() && !playTransitions()) return false;
  for (std::size_t m = 0; m < slides_.size(); ++m) d_.view.monitor(m).commitPicture();
  return true;
}

void Slideshow::displayChanged() {
  if (state_.ended()) return;
  // The clock on every monitor there is now; with the display off, once it is on.
  captionAreas_.resize(d_.view.monitorCount());
  if (!state_.displayOff())
    for (std::size_t m = 0; m < d_.view.monitorCount(); ++m) placeClock(m);
  // Before the first pictures the start-up tick draws for every monitor.
  if (!started()) return;
  slides_.resize(std::min(slides_.size(), d_.view.monitorCount()));
  // A change in progress adds them at its end; waking, the change it makes.
  if (state_.phase() == ShowPhase::Showing && !state_.displayOff()) asPictureChange([&] { showAddedMonitors(); });
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
        arm(TimerId::Startup, kSoonMs);
      }
      slides_.pop_back();
      return;
    }
    MonitorView& view = d_.view.monitor(m);
    if (state_.paused()) view.setPaused(true);
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
  setCaptionGeometry(monitor, left, width, slide.captionHeight);
  const std::string& second = paired ? captionOf(slide.partner) : std::string();
  const TwipSize partnerFitted = view.setPartnerCaptionText(second);
  const double partnerWidth = partnerFitted.width + kCaptionExtraWidthTwips;
  view.setPartnerCaptionGeometry(space + centredOffset(space, partnerWidth), partnerWidth,
                                 second.empty() ? 0 : partnerFitted.height);
  view.setCaptionVisible(true);
  if (details_) showDetails(monitor);
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
  // With the display off, the start-up tick on waking says it.
  if (sequence.folders().empty() || state_.displayOff()) return;
  MonitorView& view = d_.view.monitor(0);
  view.setCaptionVisible(false);
  const TwipSize fitted = view.setCaptionText(kNoPicturesFound + sequence.folders().front());
  const double width = fitted.width + kCaptionExtraWidthTwips;
  setCaptionGeometry(0, centredOffset(view.screenWidth(), width), width, fitted.height);
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

namespace lumova::saver {

void Slideshow::setCaptionGeometry(std::size_t monitor, double left, double width, double height) {
  d_.view.monitor(monitor).setCaptionGeometry(left, width, height);
  if (captionAreas_.size() <= monitor) captionAreas_.resize(monitor + 1);
  const TwipRect area{left, 0, width, height};
  if (captionAreas_[monitor] == area) return;
  captionAreas_[monitor] = area;
  placeClock(monitor);
}

void Slideshow::onClockTick() {
  showClock();
  // By the clock, each time: the ticks of a timer would drift off the minute.
  arm(TimerId::Clock, msToNextMinute(d_.clock.secondsSinceMidnight()));
}

void Slideshow::showClock() {
  if (options_.clock == ClockShows::Nothing || state_.displayOff()) return;
  clockMinute_ = static_cast<int>(d_.clock.secondsSinceMidnight() / 60);
  clockText_ = d_.host.shortTime(clockMinute_ / 60, clockMinute_ % 60);
  if (options_.clock == ClockShows::TimeAndDate) {
    const std::string date = d_.host.longDate(d_.host.today());
    if (!date.empty()) clockText_ += "  " + date;
  }
  for (std::size_t m = 0; m < d_.view.monitorCount(); ++m) placeClock(m);
}

void Slideshow::placeClock(std::size_t monitor) {
  if (clockText_.empty() || state_.displayOff() || monitor >= d_.view.monitorCount()) return;
  MonitorView& view = d_.view.monitor(monitor);
  const TwipRect caption = monitor < captionAreas_.size() ? captionAreas_[monitor] : TwipRect{};
  const std::optional<TwipRect> place =
      clockPlace({view.screenWidth(), view.screenHeight()}, view.clockSize(clockText_), view.twipsPerPixelX(),
                 clockDrift(clockMinute_), caption);
  if (place)
    view.setClock(clockText_, *place);
  else
    view.setClock("", {});
}

void Slideshow::displayPowerChanged(DisplayPower power) {
  const bool off = power == DisplayPower::Off;
  if (state_.ended() || off == state_.displayOff()) return;
  if (off) {
    state_.setDisplayOff(true);
    for (TimerId id : {TimerId::Motion, TimerId::Change, TimerId::Startup, TimerId::Clock}) d_.timers.kill(id);
    d_.view.setDisplayAsleep(true);
    return;
  }
  state_.setDisplayOff(false);
  d_.view.setDisplayAsleep(false);
  wake();
}

void Slideshow::wake() {
  if (options_.clock != ClockShows::Nothing) onClockTick();
  if (!started()) {
    // The start, or the folders tried again, at once.
    arm(TimerId::Startup, kSoonMs);
    return;
  }
  // Where the pictures stand now (centred while it was off, on battery).
  const std::size_t shown = std::min(slides_.size(), d_.view.monitorCount());
  for (std::size_t m = 0; m < shown; ++m) d_.view.monitor(m).setPictureRect(slides_[m].picture);
  if (floats()) arm(TimerId::Motion, motionInterval());
  // A change under way goes on by itself and times the next.
  if (busy_ > 0) return;
  if (options_.changeIntervalMs > 0 || state_.phase() == ShowPhase::Changing)
    arm(TimerId::Change, kSoonMs);
  else if (slides_.size() < std::min(monitorsInUse(), d_.view.monitorCount()))
    arm(TimerId::Startup, kSoonMs);  // monitors added while it was off
}

void Slideshow::centreSlides() {
  const std::size_t shown = std::min(slides_.size(), d_.view.monitorCount());
  for (std::size_t m = 0; m < shown; ++m) {
    MonitorView& view = d_.view.monitor(m);
    TwipRect& r = slides_[m].picture;
    r.left = centredOffset(view.screenWidth(), r.width);
    r.top = centredOffset(view.screenHeight(), r.height);
    if (!state_.displayOff()) view.setPictureRect(r);
  }
}

void Slideshow::powerSourceChanged(PowerSource source) {
  const bool wasStill = still();
  onBattery_ = source == PowerSource::Battery;
  // Before the first pictures the start-up tick follows it.
  if (still() == wasStill || state_.ended() || !started()) return;
  if (options_.panZoom) {
    // From the next picture on they pan again.
    if (still())
      for (std::size_t m = 0; m < d_.view.monitorCount(); ++m) d_.view.monitor(m).holdPanZoom();
    return;
  }
  if (options_.centred) return;
  if (still()) {
    d_.timers.kill(TimerId::Motion);
    centreSlides();
    return;
  }
  drawFloatDirections();
  arm(TimerId::Motion, motionInterval());
}

}  // namespace lumova::saver
