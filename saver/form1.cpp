#include "saver/form1.h"

#include <cmath>

#include "common/clock.h"
#include "common/host.h"
#include "common/message_box.h"
#include "common/module1.h"
#include "common/random.h"
#include "common/textnum.h"
#include "saver/transitions.h"
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
  try {
    change();
  } catch (...) {
    missingPictureExit(inHand_);
  }
}

void Form1::Timer3_Timer() {
  d_.timers.kill(TimerId::Timer3);
  // With no pictures at all there is nothing to show: the background stays;
  // the folders' first pictures start the slideshow when they are found.
  if (sequence_.last() < 0) {
    if (sequence_.folders().empty()) return;
    waitingForPictures_ = true;
    if (sequence_.scanning()) return;
    if (sequence_.scannedOnce()) showNothingFound();
    rescan();
    return;
  }

  asPictureChange([&] {
    currentImage_ = -1;
    drawUpcoming();
    const std::uint32_t interval = options_.changeIntervalMs;
    // None of the folders' pictures could be shown: tried again later.
    const auto retry = [&] {
      if (!ended_) d_.timers.set(TimerId::Timer3, kNothingRetryMs);
    };
    if (options_.centred) {
      if (!showPictures()) return retry();
      showCaptions();
      if (interval == 0) return;
      drawUpcoming();
      d_.timers.set(TimerId::Timer2, interval);
      return;
    }

    d_.random.reseed();
    if (!showPictures()) return retry();
    showCaptions();
    drawUpcoming();
    d_.timers.set(TimerId::Timer1, options_.motionIntervalMs.value_or(kDefaultMotionIntervalMs));
    d_.timers.set(TimerId::Timer2, interval);
    drawFloatDirections();
  });
}

void Form1::Timer2_Timer() {
  asPictureChange([&] {
    if (!options_.centred) drawFloatDirections();
    // Held back while the change runs: the pause lets other events through,
    // and the next interval counts from the end of this change.
    d_.timers.set(TimerId::Timer2, kChangeHoldMs);
    if (!showPictures()) {
      if (!ended_) d_.timers.set(TimerId::Timer2, options_.changeIntervalMs);
      return;
    }
    showCaptions();
    drawUpcoming();
    d_.timers.set(TimerId::Timer2, options_.changeIntervalMs);
  });
}

void Form1::foldersFound(std::vector<std::string> pictures) {
  sequence_.found(std::move(pictures));
  if (!waitingForPictures_ || ended_ || sequence_.last() < 0) return;
  waitingForPictures_ = false;
  Timer3_Timer();
}

void Form1::foldersScanned() {
  sequence_.scanFinished();
  if (!waitingForPictures_ || ended_) return;
  if (sequence_.last() >= 0) {
    waitingForPictures_ = false;
    Timer3_Timer();
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

void Form1::advanceImage() {
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
  upcoming_.clear();
  for (std::size_t m = 0; m < monitors; ++m) {
    advanceImage();
    upcoming_.push_back(currentImage_);
  }
  // Without changes nothing after the first pictures is ever shown.
  if (!d_.prefetch || options_.changeIntervalMs == 0) return;
  std::vector<PictureRequest> next;
  for (std::size_t m = 0; m < monitors; ++m) next.push_back(requestFor(upcoming_[m], d_.view.monitor(m)));
  d_.prefetch(next);
}

PictureRequest Form1::requestFor(std::int32_t index, const MonitorView& monitor) const {
  PictureRequest request{sequence_.path(index), {}};
  if (!options_.fitToScreen) return request;
  const auto pixels = [](double twips, double perPixel) { return static_cast<int>(std::lround(twips / perPixel)); };
  const PictureSize size{pixels(monitor.screenWidth(), monitor.twipsPerPixelX()),
                         pixels(monitor.screenHeight(), monitor.twipsPerPixelY())};
  const int band = pixels(monitor.captionLineHeight(), monitor.twipsPerPixelY());
  request.fit = pictureRoom(size, band, !sequence_.caption(index).empty(), !options_.centred);
  return request;
}

bool Form1::showPictures() {
  const std::size_t monitors = std::min(monitorsInUse(), d_.view.monitorCount());
  // A monitor added since the pictures were drawn takes the next of the sequence.
  while (upcoming_.size() < monitors) {
    advanceImage();
    upcoming_.push_back(currentImage_);
  }
  slides_.resize(monitors);
  for (std::size_t m = 0; m < monitors; ++m) {
    MonitorView& view = d_.view.monitor(m);
    Slide& slide = slides_[m];
    view.setCaptionVisible(false);
    view.clearPictures();
    slide.image = inHand_ = upcoming_[m];
    PictureLoad loaded = d_.pictures.load(requestFor(slide.image, view));
    // A folder's picture that cannot be shown (gone, damaged) is passed over
    // without a word: the folder's content is no promise the user made.
    for (std::size_t tries = 1; !loaded && !sequence_.isListed(slide.image); ++tries) {
      if (tries >= sequence_.size()) {
        showNothingFound();
        if (!sequence_.scanning()) rescan();
        return false;
      }
      advanceImage();
      slide.image = inHand_ = upcoming_[m] = currentImage_;
      loaded = d_.pictures.load(requestFor(slide.image, view));
    }
    if (!loaded) {
      missingPictureExit(slide.image);
      return false;
    }
    const int widthPx = loaded.picture->width();
    const int heightPx = loaded.picture->height();
    view.setSourcePicture(loaded.picture);
    view.setPictureVisible(false);
    slide.picture.width = widthPx * view.twipsPerPixelX();
    slide.picture.height = heightPx * view.twipsPerPixelY();
    slide.picture.left = centredOffset(view.screenWidth(), slide.picture.width);
    slide.picture.top = centredOffset(view.screenHeight(), slide.picture.height);
    view.setPictureRect(slide.picture);
  }

  // The pause: motion ticks and input run, the hidden pictures may move.
  const double deadline = d_.clock.monotonicSeconds() + kRevealPauseSeconds;
  for (double now = d_.clock.monotonicSeconds(); now < deadline && !ended_; now = d_.clock.monotonicSeconds())
    d_.events.pumpFor(deadline - now);
  // A display change in the pause may have taken monitors away.
  if (ended_) return false;
  slides_.resize(std::min(slides_.size(), d_.view.monitorCount()));

  for (std::size_t m = 0; m < slides_.size(); ++m) d_.view.monitor(m).setPictureVisible(true);
  if (!playTransitions()) return false;
  for (std::size_t m = 0; m < slides_.size(); ++m) d_.view.monitor(m).commitPicture();
  return true;
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
  const std::string& text = sequence_.caption(slide.image);
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
