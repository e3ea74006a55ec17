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

std::optional<std::uint32_t> motionIntervalMs(const std::string& picSpeed) {
  static constexpr std::uint32_t kIntervals[] = {150, 125, 100, 75, 50, 25};
  auto speed = parseNumber(picSpeed);
  if (!speed) return std::nullopt;
  for (int i = 0; i < 6; ++i)
    if (*speed == i) return kIntervals[i];
  return std::nullopt;
}

double centredOffset(double space, double size) {
  // Integer division truncates toward zero, as the halving must.
  auto difference = static_cast<std::int64_t>(roundHalfEven(space - size));
  return static_cast<double>(difference / 2);
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

  options_ = settings::readOptions(store);
  d_.module1.saverPassword = option(Key::saverPassword);
  d_.module1.saverEnabled = option(Key::saverEnabled);

  auto truth = [&](Key k) { return parseTruth(option(k)).value_or(false); };
  CaptionFont font;
  font.name = option(Key::newFontName);
  font.size = parseNumber(option(Key::newFontSize)).value_or(14);
  font.bold = truth(Key::newFontBold);
  font.italic = truth(Key::newFontItalic);
  font.underline = truth(Key::newFontUnderline);
  font.strikethrough = truth(Key::newFontFontStrikethru);
  d_.view.setCaptionFont(font);
  d_.view.setCaptionColor(static_cast<std::uint32_t>(textToInt32(option(Key::newFontForeColor)).value_or(0xFFFFFF)));

  getPlatform(d_.host, d_.module1);
  if (systemLockApplies(d_.module1)) d_.host.setScreenSaverRunning(true);

  if (parseNumber(option(Key::backEffect)).value_or(0) == 0)
    d_.view.setBackColor(static_cast<std::uint32_t>(textToInt32(option(Key::newBackColor)).value_or(0)));
  else
    d_.view.snapshotDesktop();

  d_.view.setCaptionTop(0);
  d_.timers.set(TimerId::Timer3, kStartupDelayMs);

  // In list order the first picture is already known: start decoding it.
  if (lastImage_ >= 0 && parseNumber(option(Key::randomPick)) != 1.0 && d_.prefetch) d_.prefetch(imageFiles_[0]);
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

bool Form1::centred() const { return option(Key::picRandom) == "cent"; }

double Form1::timeIntervalMs() const {
  double seconds = parseNumber(option(Key::timeInterval)).value_or(0);
  return roundHalfEven(seconds * 1000);
}

void Form1::Timer3_Timer() {
  d_.timers.kill(TimerId::Timer3);
  // With no pictures at all there is nothing to show: the background stays.
  if (lastImage_ < 0) return;

  currentImage_ = -1;
  advanceImage();
  auto interval = static_cast<std::uint32_t>(timeIntervalMs());
  if (centred()) {
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
  d_.timers.set(TimerId::Timer1, motionIntervalMs(option(Key::picSpeed)).value_or(100));
  d_.timers.set(TimerId::Timer2, interval);
  drawFloatDirection();
}

void Form1::Timer2_Timer() {
  if (!centred()) drawFloatDirection();
  if (currentImage_ > lastImage_) currentImage_ = 0;
  // Held back while the change runs: the pause lets other events through,
  // and the next interval counts from the end of this change.
  d_.timers.set(TimerId::Timer2, kChangeHoldMs);
  if (!showPicture() || !showCaption()) return;
  advanceImage();
  d_.timers.set(TimerId::Timer2, static_cast<std::uint32_t>(timeIntervalMs()));
}

void Form1::advanceImage() {
  d_.random.reseed();
  if (parseNumber(option(Key::randomPick)) == 1.0)
    currentImage_ = static_cast<std::int16_t>(std::floor((lastImage_ + 1) * d_.random.next()));
  else
    currentImage_ = static_cast<std::int16_t>(currentImage_ + 1);
  prefetchNext();
}

void Form1::prefetchNext() {
  if (!d_.prefetch || lastImage_ < 0) return;
  int next = currentImage_ > lastImage_ ? 0 : currentImage_;
  d_.prefetch(imageFiles_[static_cast<std::size_t>(next)]);
}

bool Form1::showPicture() {
  d_.view.setCaptionVisible(false);
  d_.view.clearPictures();
  PictureLoad loaded = d_.pictures.load(imageFiles_[static_cast<std::size_t>(currentImage_)]);
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
  EffectChoice choice = chooseEffect(settings::at(options_, Key::effectMode), option(Key::randomEffect), d_.random);
  if (choice.kind == EffectChoice::Kind::Error) return false;
  // "Standard" and numbers outside the list leave it all to the commit.
  if (choice.kind == EffectChoice::Kind::DrawNothing || choice.effect == kStandard) return true;
  // Nothing else runs while the effect plays: it does not yield to the queue.
  return d_.view.playEffect(choice.effect);
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
  const std::string& path = imageFiles_[static_cast<std::size_t>(currentImage_)];
  d_.messages.show(
      path + "\r\ndoes not exist! Lumova Screen Saver will\r\nnot function unless a different image is reloaded.",
      MessageKind::Exclamation);
  d_.host.endProgram();
}

}  // namespace lumova::saver
