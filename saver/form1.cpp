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
  imageFiles_ = std::move(list.paths);
  imageCaptions_ = std::move(list.captions);
  lastImage_ = static_cast<std::int16_t>(static_cast<int>(imageFiles_.size()) - 1);
  // One spare, empty entry beyond the last picture.
  imageFiles_.emplace_back();
  imageCaptions_.emplace_back();

  const settings::OptionValues values = settings::readOptions(store);
  options_ = saverOptions(values);
  d_.module1.saverPassword = settings::at(values, Key::saverPassword);
  d_.module1.saverEnabled = settings::at(values, Key::saverEnabled);

  d_.view.setCaptionFont(options_.captionFont);
  d_.view.setCaptionColor(options_.captionColor);

  getPlatform(d_.host, d_.module1);
  if (systemLockApplies(d_.module1)) d_.host.setScreenSaverRunning(true);

  if (options_.desktopBackground)
    d_.view.snapshotDesktop();
  else
    d_.view.setBackColor(options_.backColor);

  d_.view.setCaptionTop(0);
  d_.timers.set(TimerId::Timer3, kStartupDelayMs);

  // In list order the first picture is already known: start decoding it.
  if (lastImage_ >= 0 && !options_.randomOrder && d_.prefetch) d_.prefetch(requestFor(0));
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
    missingPictureExit();
  }
}

void Form1::Timer3_Timer() {
  d_.timers.kill(TimerId::Timer3);
  // With no pictures at all there is nothing to show: the background stays.
  if (lastImage_ < 0) return;

  asPictureChange([&] {
    currentImage_ = -1;
    advanceImage();
    const std::uint32_t interval = options_.changeIntervalMs;
    if (options_.centred) {
      if (interval == 0) {
        if (showPicture()) showCaption();
        return;
      }
      if (!showPicture() || !showCaption()) return;
      advanceImage();
      d_.timers.set(TimerId::Timer2, interval);
      return;
    }

    d_.random.reseed();
    if (!showPicture() || !showCaption()) return;
    advanceImage();
    d_.timers.set(TimerId::Timer1, options_.motionIntervalMs.value_or(kDesignMotionIntervalMs));
    d_.timers.set(TimerId::Timer2, interval);
    drawFloatDirection();
  });
}

void Form1::Timer2_Timer() {
  asPictureChange([&] {
    if (!options_.centred) drawFloatDirection();
    if (currentImage_ > lastImage_) currentImage_ = 0;
    // Held back while the change runs: the pause lets other events through,
    // and the next interval counts from the end of this change.
    d_.timers.set(TimerId::Timer2, kChangeHoldMs);
    if (!showPicture() || !showCaption()) return;
    advanceImage();
    d_.timers.set(TimerId::Timer2, options_.changeIntervalMs);
  });
}

void Form1::advanceImage() {
  d_.random.reseed();
  if (options_.randomOrder)
    currentImage_ = static_cast<std::int16_t>(std::floor((lastImage_ + 1) * d_.random.next()));
  else
    currentImage_ = static_cast<std::int16_t>(currentImage_ + 1);
  prefetchNext();
}

void Form1::prefetchNext() {
  // Without changes nothing after the first picture is ever shown.
  if (!d_.prefetch || lastImage_ < 0 || options_.changeIntervalMs == 0) return;
  int next = currentImage_ > lastImage_ ? 0 : currentImage_;
  d_.prefetch(requestFor(static_cast<std::size_t>(next)));
}

PictureRequest Form1::requestFor(std::size_t index) const {
  PictureRequest request{imageFiles_[index], {}};
  if (!options_.fitToScreen) return request;
  const auto pixels = [](double twips, double perPixel) { return static_cast<int>(std::lround(twips / perPixel)); };
  const PictureSize monitor{pixels(d_.view.screenWidth(), d_.view.twipsPerPixelX()),
                            pixels(d_.view.screenHeight(), d_.view.twipsPerPixelY())};
  const int band = pixels(d_.view.captionLineHeight(), d_.view.twipsPerPixelY());
  request.fit = pictureRoom(monitor, band, !imageCaptions_[index].empty(), !options_.centred);
  return request;
}

bool Form1::showPicture() {
  d_.view.setCaptionVisible(false);
  d_.view.clearPictures();
  PictureLoad loaded = d_.pictures.load(requestFor(static_cast<std::size_t>(currentImage_)));
  if (!loaded) {
    missingPictureExit();
    return false;
  }
  const int widthPx = loaded.picture->width();
  const int heightPx = loaded.picture->height();
  d_.view.setSourcePicture(loaded.picture);
  d_.view.setPictureVisible(false);
  picture_.width = widthPx * d_.view.twipsPerPixelX();
  picture_.height = heightPx * d_.view.twipsPerPixelY();
  picture_.left = centredOffset(d_.view.screenWidth(), picture_.width);
  picture_.top = centredOffset(d_.view.screenHeight(), picture_.height);
  d_.view.setPictureRect(picture_);

  // The pause: motion ticks and input run, the hidden picture may move.
  const double deadline = d_.clock.monotonicSeconds() + kRevealPauseSeconds;
  for (double now = d_.clock.monotonicSeconds(); now < deadline && !ended_; now = d_.clock.monotonicSeconds())
    d_.events.pumpFor(deadline - now);
  if (ended_) return false;

  d_.view.setPictureVisible(true);
  if (!playTransition()) {
    missingPictureExit();
    return false;
  }
  d_.view.commitPicture();
  return true;
}

bool Form1::playTransition() {
  const std::optional<int> effect = chooseEffect(options_.effectMode, options_.randomEffect, d_.random);
  // "Standard" and numbers outside the list leave it all to the commit.
  if (!effect || *effect == kStandard) return true;
  // Nothing else runs while the effect plays: it does not yield to the queue.
  return d_.view.playEffect(*effect);
}

bool Form1::showCaption() {
  d_.view.setCaptionVisible(false);
  d_.view.setCaptionText("");
  const std::string& text = imageCaptions_[static_cast<std::size_t>(currentImage_)];
  TwipSize fitted = d_.view.setCaptionText(text);
  double width = fitted.width + kCaptionExtraWidthTwips;
  double left = centredOffset(d_.view.screenWidth(), width);
  captionHeight_ = text.empty() ? 0 : fitted.height;
  d_.view.setCaptionGeometry(left, width, captionHeight_);
  d_.view.setCaptionVisible(true);
  return true;
}

void Form1::drawFloatDirection() {
  double r1 = d_.random.next();
  double r2 = d_.random.next();
  stepX_ = std::floor(2 * r1) == 1 ? -kFloatStepTwips : kFloatStepTwips;
  stepY_ = std::floor(2 * r2) == 1 ? -kFloatStepTwips : kFloatStepTwips;
}

void Form1::Timer1_Timer() {
  d_.random.reseed();
  const double screenW = d_.view.screenWidth();
  const double screenH = d_.view.screenHeight();
  if (picture_.left < 0 || picture_.left + picture_.width > screenW) stepX_ = -stepX_;
  if (picture_.top < captionHeight_ || picture_.top + picture_.height > screenH) stepY_ = -stepY_;
  picture_.left += stepX_;
  picture_.top += stepY_;
  d_.view.setPictureRect(picture_);
}

void Form1::missingPictureExit() {
  if (ended_) return;
  ended_ = true;
  if (systemLockApplies(d_.module1)) d_.host.setScreenSaverRunning(false);
  d_.view.unload();
  const std::size_t shown = currentImage_ >= 0 ? static_cast<std::size_t>(currentImage_) : 0;
  const std::string& path = shown < imageFiles_.size() ? imageFiles_[shown] : std::string();
  d_.messages.show(
      path + "\r\ndoes not exist! Lumova Screen Saver will\r\nnot function unless a different image is reloaded.",
      MessageKind::Exclamation);
  d_.host.endProgram();
}

}  // namespace lumova::saver
