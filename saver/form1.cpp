#include "saver/form1.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "common/clock.h"
#include "common/host.h"
#include "common/message_box.h"
#include "common/module1.h"
#include "common/random.h"
#include "common/textnum.h"
#include "saver/monitor_shapes.h"
#include "saver/pan_zoom.h"
#include "saver/transitions.h"
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

Form1::Form1(Form1Deps deps) : d_(std::move(deps)) {}

void Form1::Form_Load() {
  // Every value comes from one read of the settings file; values that are
  // missing or not usable are replaced by the same defaults the dialog uses.
  settings::SettingsStore store(d_.files, settings::settingsPath(d_.exeFolder));

  settings::PictureList list = settings::readPictureList(store);
  sequence_ = PictureSequence(std::move(list.paths), std::move(list.captions), settings::readFolderList(store));
  // The folders are read from the start, beside the start-up delay.
  rescan();

  const settings::OptionValues values = settings::readOptions(store);
  options_ = saverOptions(values);
  // With folders the shuffled round waits for the first scan's end: a
  // round matched against part of the pictures would drop the rest.
  if (options_.shuffle && sequence_.folders().empty()) startShuffle();
  d_.module1.saverPassword = settings::at(values, Key::saverPassword);
  d_.module1.saverEnabled = settings::at(values, Key::saverEnabled);

  for (std::size_t m = 0; m < d_.view.monitorCount(); ++m) {
    d_.view.monitor(m).setCaptionFont(options_.captionFont);
    d_.view.monitor(m).setCaptionColor(options_.captionColor);
  }

  getPlatform(d_.host, d_.module1);
  if (systemLockApplies(d_.module1)) d_.host.setScreenSaverRunning(true);

  if (options_.desktopBackground)
    d_.view.snapshotDesktop();
  else
    d_.view.setBackColor(options_.backColor);

  for (std::size_t m = 0; m < d_.view.monitorCount(); ++m) d_.view.monitor(m).setCaptionTop(0);
  d_.timers.set(TimerId::Timer3, kStartupDelayMs);

  // In list order the first pictures are already known: start decoding them.
  if (sequence_.lastListed() >= 0 && !options_.randomOrder && d_.prefetch) {
    std::vector<PictureRequest> first;
    for (std::size_t m = 0; m < monitorsInUse(); ++m)
      first.push_back(requestFor(static_cast<std::int32_t>(m % static_cast<std::size_t>(sequence_.lastListed() + 1)),
                                 d_.view.monitor(m)));
    d_.prefetch(first);
  }
}

std::size_t Form1::monitorsInUse() const {
  return options_.allMonitors ? std::max<std::size_t>(1, d_.view.monitorCount()) : 1;
}

void Form1::onTimer(TimerId id) {
  if (ended_) return;
  switch (id) {
    case TimerId::Timer1:
      Timer1_Timer();
      break;
    case TimerId::Timer2:
      Timer2_Timer();
      break;
    case TimerId::Timer3:
      Timer3_Timer();
      break;
  }
}

// Loading, revealing and captioning a picture: whatever goes wrong in there
// ends the saver with the one message that names the picture.
template <typename Change>
void Form1::asPictureChange(Change&& change) {
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

void Form1::Timer3_Timer() {
  d_.timers.kill(TimerId::Timer3);
  // Once the slideshow runs, only a monitor added, still to be shown, arms it.
  if (started_) {
    if (!changing_ && !continuing_) asPictureChange([&] { showAddedMonitors(); });
    return;
  }
  // With no pictures at all there is nothing to show: the background stays;
  // the folders' first pictures start the slideshow when they are found.
  if (sequence_.last() < 0) {
    continuing_ = false;
    if (sequence_.folders().empty()) return;
    waitingForPictures_ = true;
    if (sequence_.scanning()) return;
    if (sequence_.scannedOnce()) showNothingFound();
    rescan();
    return;
  }

  asPictureChange([&] {
    const bool resumed = std::exchange(continuing_, false);
    if (!resumed) {
      currentImage_ = -1;
      drawUpcoming();
    }
    const std::uint32_t interval = options_.changeIntervalMs;
    // Pan and zoom moves by the display's frames, not by the motion timer.
    const bool floating = !options_.centred && !options_.panZoom;
    if (floating && !resumed) d_.random.reseed();
    switch (showPictures()) {
      case Outcome::later:
        continuing_ = true;
        d_.timers.set(TimerId::Timer3, kSoonMs);
        return;
      case Outcome::failed:
        // None of the folders' pictures could be shown: tried again later.
        if (!ended_) d_.timers.set(TimerId::Timer3, kNothingRetryMs);
        return;
      case Outcome::done:
        break;
    }
    started_ = true;
    if (!floating) {
      saveShuffle();
      showCaptions();
      if (interval == 0) return;
      drawUpcoming();
      d_.timers.set(TimerId::Timer2, interval);
      return;
    }

    saveShuffle();
    showCaptions();
    drawUpcoming();
    d_.timers.set(TimerId::Timer1, options_.motionIntervalMs.value_or(kDefaultMotionIntervalMs));
    d_.timers.set(TimerId::Timer2, interval);
    drawFloatDirections();
  });
}

void Form1::Timer2_Timer() {
  asPictureChange([&] {
    const bool resumed = std::exchange(continuing_, false);
    if (!resumed && !options_.centred && !options_.panZoom) drawFloatDirections();
    // Held back while the change runs: the pause lets other events through,
    // and the next interval counts from the end of this change.
    d_.timers.set(TimerId::Timer2, kChangeHoldMs);
    switch (showPictures()) {
      case Outcome::later:
        continuing_ = true;
        d_.timers.set(TimerId::Timer2, kSoonMs);
        return;
      case Outcome::failed:
        if (!ended_) d_.timers.set(TimerId::Timer2, options_.changeIntervalMs);
        return;
      case Outcome::done:
        break;
    }
    saveShuffle();
    showCaptions();
    drawUpcoming();
    d_.timers.set(TimerId::Timer2, options_.changeIntervalMs);
  });
}

void Form1::foldersFound(std::vector<std::string> pictures) {
  folderNews_.push_back({std::move(pictures), false});
  deliverFolderNews();
}

void Form1::foldersScanned() {
  folderNews_.push_back({{}, true});
  deliverFolderNews();
}

void Form1::deliverFolderNews() {
  // The pause lets the source's messages through: what comes inside a
  // change, or inside another delivery, would move positions under it or
  // overtake what is being handled.
  if (busy_ > 0) return;
  ++busy_;
  while (!folderNews_.empty()) {
    FolderNews news = std::move(folderNews_.front());
    folderNews_.pop_front();
    if (news.scanEnd)
      applyScanEnd();
    else
      applyFound(std::move(news.pictures));
  }
  --busy_;
}

void Form1::applyFound(std::vector<std::string>&& pictures) {
  sequence_.found(std::move(pictures));
  if (!waitingForPictures_ || ended_ || sequence_.last() < 0) return;
  waitingForPictures_ = false;
  // From the timer: the change's pause must not run inside a delivery.
  d_.timers.set(TimerId::Timer3, kSoonMs);
}

void Form1::startShuffle() {
  if (sequence_.size() == 0) return;
  // A damaged or missing state starts a new round; one of another list
  // keeps what still applies.
  shuffle_.emplace(d_.orderRandom ? *d_.orderRandom : d_.random);
  passedOver_.clear();  // drawn in list order, not from the round
  shuffle_->setSpread(monitorsInUse());
  const ShuffleFiles state = shuffleFiles(d_.exeFolder);
  const auto round = d_.files.readAll(state.round);
  if (round) shuffle_->restore(*round, d_.files.readAll(state.shown).value_or(""));
  shuffle_->setPictures(sequence_.paths());
}

void Form1::applyScanEnd() {
  // Positions drawn before a rescan follow their pictures by path into the
  // new list; those of pictures gone are drawn again. A slide's picture
  // stays on the screen until the next change replaces it.
  const auto eachHeld = [this](const auto& each) {
    for (std::int32_t& p : upcoming_) each(p, true);
    for (std::int32_t& p : passedOver_) each(p, true);
    if (addedNext_) each(*addedNext_, true);
    for (Slide& slide : slides_) each(slide.image, false);
  };
  const std::string current = sequence_.isListed(currentImage_) ? std::string() : sequence_.path(currentImage_);
  std::vector<std::string> held;
  eachHeld([&](std::int32_t p, bool) { held.push_back(sequence_.isListed(p) ? std::string() : sequence_.path(p)); });
  sequence_.scanFinished();
  std::unordered_map<std::string_view, std::int32_t> at;
  for (std::int32_t p = sequence_.last(); p > sequence_.lastListed(); --p) at[sequence_.path(p)] = p;
  std::size_t next = 0;
  eachHeld([&](std::int32_t& p, bool dropGone) {
    const std::string& path = held[next++];
    if (path.empty()) return;  // listed, or none: the listed part never moves
    const auto it = at.find(path);
    if (it != at.end())
      p = it->second;
    else if (dropGone)
      p = -1;
  });
  std::erase(passedOver_, -1);
  if (addedNext_ == -1) addedNext_.reset();
  if (!current.empty()) {
    // In list order the next is the one after the last drawn, gone or not.
    std::int32_t after = sequence_.lastListed() + 1;
    if (const auto it = at.find(current); it != at.end())
      after = it->second + 1;
    else
      while (after <= sequence_.last() && sequence_.path(after) <= current) ++after;
    currentImage_ = after - 1;
  }
  portrait_.clear();  // by position
  if (options_.shuffle) {
    // A rescan's pictures join the round, and those gone leave it.
    if (shuffle_)
      shuffle_->setPictures(sequence_.paths());
    else
      startShuffle();
  }
  if (!waitingForPictures_ || ended_) return;
  if (sequence_.last() >= 0) {
    waitingForPictures_ = false;
    d_.timers.set(TimerId::Timer3, kSoonMs);
    return;
  }
  // A drive may come back, a share come online.
  showNothingFound();
  d_.timers.set(TimerId::Timer3, kNothingRetryMs);
}

void Form1::rescan() {
  if (sequence_.folders().empty() || !d_.folders) return;
  sequence_.scanStarted();
  d_.folders->scan(sequence_.folders());
}

std::int32_t Form1::drawShuffled(std::size_t i) {
  currentImage_ = static_cast<std::int32_t>(shuffle_->drawAhead(i).value_or(0));
  if (sequence_.changed(false, true)) rescan();
  return currentImage_;
}

void Form1::advanceImage() {
  if (shuffle_) {
    drawShuffled(0);
    return;
  }
  d_.random.reseed();
  const std::int32_t last = sequence_.last();
  if (options_.randomOrder)
    currentImage_ = static_cast<std::int32_t>(std::floor((last + 1) * d_.random.next()));
  else
    currentImage_ = currentImage_ + 1;
  const bool wrapped = currentImage_ > last;
  if (wrapped) currentImage_ = 0;
  if (sequence_.changed(wrapped, options_.randomOrder)) rescan();
}

void Form1::drawUpcoming() {
  const std::size_t monitors = monitorsInUse();
  if (shuffle_) shuffle_->setSpread(monitors);  // monitors come and go
  upcoming_.clear();
  std::vector<bool> portraitMonitors;
  for (std::size_t m = 0; m < monitors; ++m) {
    const PictureSize size = monitorPixels(d_.view.monitor(m));
    portraitMonitors.push_back(size.height > size.width);
  }
  const bool mixed = d_.uprightSize && std::adjacent_find(portraitMonitors.begin(), portraitMonitors.end(),
                                                          std::not_equal_to<>()) != portraitMonitors.end();
  if (mixed) {
    portrait_.resize(sequence_.size(), -1);
    const auto isPortrait = [this](std::int32_t p) {
      signed char& known = portrait_[static_cast<std::size_t>(p)];
      if (known < 0) {
        const std::optional<PictureSize> size = d_.uprightSize(sequence_.path(p));
        known = size && size->height > size->width ? 1 : 0;
      }
      return known == 1;
    };
    if (shuffle_) {
      // Looking into the round itself: a picture passed over stays in it,
      // not counted as shown, and every round shows each picture once.
      const auto ahead = [this](std::size_t most) {
        std::vector<std::int32_t> next;
        for (const std::size_t p : shuffle_->ahead(most)) next.push_back(static_cast<std::int32_t>(p));
        return next;
      };
      upcoming_ = takeByShape(
          portraitMonitors, ahead, [this](std::size_t i) { return drawShuffled(i); }, isPortrait);
    } else {
      upcoming_ = takeByShape(
          portraitMonitors, passedOver_, [this] { return advanceImage(), currentImage_; }, isPortrait);
    }
  }
  for (std::size_t m = upcoming_.size(); m < monitors; ++m) {
    advanceImage();
    upcoming_.push_back(currentImage_);
  }
  // Without changes nothing after the first pictures is ever shown.
  if (!d_.prefetch || options_.changeIntervalMs == 0) return;
  std::vector<PictureRequest> next;
  for (std::size_t m = 0; m < monitors; ++m) next.push_back(requestFor(upcoming_[m], d_.view.monitor(m)));
  d_.prefetch(next);
}

PictureSize Form1::monitorPixels(const MonitorView& monitor) {
  const auto pixels = [](double twips, double perPixel) { return static_cast<int>(std::lround(twips / perPixel)); };
  return {pixels(monitor.screenWidth(), monitor.twipsPerPixelX()),
          pixels(monitor.screenHeight(), monitor.twipsPerPixelY())};
}

void Form1::saveShuffle() {
  // Written once the pictures are on the screen, so that a run ended at any
  // moment after has them counted, and one ended before has not.
  if (!shuffle_) return;
  const ShuffleFiles state = shuffleFiles(d_.exeFolder);
  settings::FileStore& files = d_.stateFiles ? *d_.stateFiles : d_.files;
  if (shuffle_->roundChanged()) files.replaceAtomically(state.round, shuffle_->serialiseRound());
  files.replaceAtomically(state.shown, shuffle_->serialisePosition());
}

const std::string& Form1::captionOf(std::int32_t index) {
  const std::string& own = sequence_.caption(index);
  if (!own.empty() || options_.autoCaption == AutoCaption::Nothing) return own;
  // By path: a rescan may move a folder's pictures along the sequence.
  const std::string& path = sequence_.path(index);
  auto it = autoCaptions_.find(path);
  if (it == autoCaptions_.end())
    it = autoCaptions_.emplace(path, autoCaption(options_.autoCaption, path, d_.host)).first;
  return it->second;
}

PictureRequest Form1::requestFor(std::int32_t index, const MonitorView& monitor) {
  PictureRequest request{sequence_.path(index), {}};
  const PictureSize size = monitorPixels(monitor);
  // Covering its monitor whatever picFit says, held no larger than its
  // largest zoom needs.
  if (options_.panZoom) return PictureRequest{sequence_.path(index), size, true};
  if (!options_.fitToScreen) return request;
  const auto pixels = [](double twips, double perPixel) { return static_cast<int>(std::lround(twips / perPixel)); };
  const int band = pixels(monitor.captionLineHeight(), monitor.twipsPerPixelY());
  request.fit = pictureRoom(size, band, !captionOf(index).empty(), !options_.centred);
  return request;
}

Form1::Outcome Form1::loadSlide(std::size_t monitor, bool fade) {
  MonitorView& view = d_.view.monitor(monitor);
  Slide& slide = slides_[monitor];
  if (!fade) view.setCaptionVisible(false);
  view.clearPictures();
  inHand_ = slide.image;
  PictureLoad loaded = d_.pictures.load(requestFor(slide.image, view));
  // A folder's picture that cannot be shown (gone, damaged) is passed over
  // without a word: the folder's content is no promise the user made. A few
  // a tick, so that input is answered between them.
  while (!loaded && !sequence_.isListed(slide.image)) {
    if (++skipped_ >= sequence_.size()) {
      skipped_ = 0;
      showNothingFound();
      if (!sequence_.scanning()) rescan();
      return Outcome::failed;
    }
    advanceImage();
    slide.image = inHand_ = currentImage_;
    if (monitor < upcoming_.size()) upcoming_[monitor] = currentImage_;
    if (++skippedThisTick_ >= kSkipsPerTick) return Outcome::later;
    loaded = d_.pictures.load(requestFor(slide.image, view));
  }
  if (!loaded) {
    missingPictureExit(slide.image);
    return Outcome::failed;
  }
  skipped_ = 0;
  const int widthPx = loaded.picture->width();
  const int heightPx = loaded.picture->height();
  view.setSourcePicture(loaded.picture);
  slide.picture.width = widthPx * view.twipsPerPixelX();
  slide.picture.height = heightPx * view.twipsPerPixelY();
  slide.picture.left = centredOffset(view.screenWidth(), slide.picture.width);
  slide.picture.top = centredOffset(view.screenHeight(), slide.picture.height);
  if (options_.panZoom) {
    // Each picture takes its own path; the monitor shows its frames whole.
    view.setPanZoom(planPanZoom({widthPx, heightPx}, monitorPixels(view), d_.random),
                    options_.changeIntervalMs / 1000.0);
    slide.picture = TwipRect{0, 0, view.screenWidth(), view.screenHeight()};
  }
  if (fade) return Outcome::done;
  view.setPictureVisible(false);
  view.setPictureRect(slide.picture);
  return Outcome::done;
}

Form1::Outcome Form1::showPictures() {
  const std::size_t monitors = std::min(monitorsInUse(), d_.view.monitorCount());
  // A monitor added since the pictures were drawn takes the next of the
  // sequence, as does one whose picture a rescan took away.
  upcoming_.resize(std::max(upcoming_.size(), monitors), -1);
  for (std::size_t m = 0; m < monitors; ++m) {
    if (upcoming_[m] >= 0) continue;
    advanceImage();
    upcoming_[m] = currentImage_;
  }
  slides_.resize(monitors);
  // The crossfade dissolves the picture on screen straight into the next:
  // it stays, with its caption, until the fade takes it over.
  const bool fade = !options_.randomEffect && options_.effectMode == kCrossfade;
  changing_ = true;
  for (std::size_t m = 0; m < monitors; ++m) {
    slides_[m].image = upcoming_[m];
    if (const Outcome loaded = loadSlide(m, fade); loaded != Outcome::done) {
      changing_ = false;
      return loaded;
    }
  }
  if (fade) {
    // No pause: the fade starts from the picture on screen. Its caption
    // changes half way.
    std::vector<TwipRect> to;
    for (const Slide& slide : slides_) to.push_back(slide.picture);
    d_.view.playCrossfade(to, [this] { showCaptions(); });
    changing_ = false;
    if (ended_) return Outcome::failed;
    slides_.resize(std::min(slides_.size(), d_.view.monitorCount()));
    for (std::size_t m = 0; m < slides_.size(); ++m) {
      d_.view.monitor(m).setPictureRect(slides_[m].picture);
      d_.view.monitor(m).commitPicture();
    }
    showAddedMonitors();
    return ended_ ? Outcome::failed : Outcome::done;
  }

  // The pause: motion ticks and input run, the hidden pictures may move.
  const double deadline = d_.clock.monotonicSeconds() + kRevealPauseSeconds;
  for (double now = d_.clock.monotonicSeconds(); now < deadline && !ended_; now = d_.clock.monotonicSeconds())
    d_.events.pumpFor(deadline - now);
  changing_ = false;
  // A display change in the pause may have taken monitors away.
  if (ended_) return Outcome::failed;
  slides_.resize(std::min(slides_.size(), d_.view.monitorCount()));

  for (std::size_t m = 0; m < slides_.size(); ++m) d_.view.monitor(m).setPictureVisible(true);
  if (!playTransitions()) return Outcome::failed;
  for (std::size_t m = 0; m < slides_.size(); ++m) d_.view.monitor(m).commitPicture();
  // One added in the pause has waited for this change to end.
  showAddedMonitors();
  return ended_ ? Outcome::failed : Outcome::done;
}

void Form1::displayChanged() {
  // Before the first pictures the start-up tick draws for every monitor.
  if (ended_ || !started_) return;
  slides_.resize(std::min(slides_.size(), d_.view.monitorCount()));
  // A change in progress adds them at its end.
  if (!changing_ && !continuing_) asPictureChange([&] { showAddedMonitors(); });
}

void Form1::showAddedMonitors() {
  const std::size_t monitors = std::min(monitorsInUse(), d_.view.monitorCount());
  while (!ended_ && slides_.size() < monitors) {
    const std::size_t m = slides_.size();
    if (!addedNext_) {
      advanceImage();
      addedNext_ = currentImage_;
    }
    Slide& slide = slides_.emplace_back();
    slide.image = *std::exchange(addedNext_, std::nullopt);
    if (const Outcome loaded = loadSlide(m); loaded != Outcome::done) {
      // Its next picture to try waits for the start-up timer's next tick.
      if (loaded == Outcome::later) {
        addedNext_ = slide.image;
        d_.timers.set(TimerId::Timer3, kSoonMs);
      }
      slides_.pop_back();
      return;
    }
    MonitorView& view = d_.view.monitor(m);
    view.setPictureVisible(true);
    view.commitPicture();
    showCaption(m);
    if (!options_.centred) {
      slide.stepX = std::floor(2 * d_.random.next()) == 1 ? -kFloatStepTwips : kFloatStepTwips;
      slide.stepY = std::floor(2 * d_.random.next()) == 1 ? -kFloatStepTwips : kFloatStepTwips;
    }
  }
}

bool Form1::playTransitions() {
  // "Standard" and numbers outside the list leave it all to the commit.
  std::vector<int> effects;
  bool any = false;
  for (std::size_t m = 0; m < slides_.size(); ++m) {
    const std::optional<int> effect = chooseEffect(options_.effectMode, options_.randomEffect, d_.random);
    effects.push_back(!effect || *effect == kStandard ? 0 : *effect);
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

void Form1::showCaptions() {
  for (std::size_t m = 0; m < slides_.size(); ++m) showCaption(m);
}

void Form1::showCaption(std::size_t monitor) {
  MonitorView& view = d_.view.monitor(monitor);
  Slide& slide = slides_[monitor];
  view.setCaptionVisible(false);
  view.setCaptionText("");
  const std::string& text = captionOf(slide.image);
  TwipSize fitted = view.setCaptionText(text);
  double width = fitted.width + kCaptionExtraWidthTwips;
  double left = centredOffset(view.screenWidth(), width);
  slide.captionHeight = text.empty() ? 0 : fitted.height;
  view.setCaptionGeometry(left, width, slide.captionHeight);
  view.setCaptionVisible(true);
}

void Form1::drawFloatDirections() {
  slides_.resize(std::min(monitorsInUse(), d_.view.monitorCount()));
  for (Slide& slide : slides_) {
    double r1 = d_.random.next();
    double r2 = d_.random.next();
    slide.stepX = std::floor(2 * r1) == 1 ? -kFloatStepTwips : kFloatStepTwips;
    slide.stepY = std::floor(2 * r2) == 1 ? -kFloatStepTwips : kFloatStepTwips;
  }
}

void Form1::Timer1_Timer() {
  d_.random.reseed();
  const std::size_t monitors = std::min(slides_.size(), d_.view.monitorCount());
  for (std::size_t m = 0; m < monitors; ++m) {
    MonitorView& view = d_.view.monitor(m);
    Slide& s = slides_[m];
    if (s.image < 0) continue;
    if (s.picture.left < 0 || s.picture.left + s.picture.width > view.screenWidth()) s.stepX = -s.stepX;
    if (s.picture.top < s.captionHeight || s.picture.top + s.picture.height > view.screenHeight()) s.stepY = -s.stepY;
    s.picture.left += s.stepX;
    s.picture.top += s.stepY;
    view.setPictureRect(s.picture);
  }
}

void Form1::showNothingFound() {
  if (sequence_.folders().empty()) return;
  MonitorView& view = d_.view.monitor(0);
  view.setCaptionVisible(false);
  const TwipSize fitted = view.setCaptionText(kNoPicturesFound + sequence_.folders().front());
  const double width = fitted.width + kCaptionExtraWidthTwips;
  view.setCaptionGeometry(centredOffset(view.screenWidth(), width), width, fitted.height);
  view.setCaptionVisible(true);
}

void Form1::missingPictureExit(std::int32_t image) {
  if (ended_) return;
  ended_ = true;
  if (systemLockApplies(d_.module1)) d_.host.setScreenSaverRunning(false);
  d_.view.unload();
  const std::string& path = sequence_.path(image >= 0 ? image : 0);
  d_.messages.show(
      path + "\r\ndoes not exist! Lumova Screen Saver will\r\nnot function unless a different image is reloaded.",
      MessageKind::Exclamation);
  d_.host.endProgram();
}

}  // namespace lumova::saver
