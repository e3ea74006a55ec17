#include "dialog/settings_dialog.h"

#include "common/protection.h"
#include "common/textnum.h"
#include "settings/settings_store.h"

namespace lumova::dialog {

using settings::Key;
using C = Control;

namespace {

constexpr int kDesktop = 1;  // backgroundChoice's item for the desktop snapshot

}  // namespace

void SettingsDialog::onChooseFont() {
  const settings::Range sizes = settings::keyInfo(Key::newFontSize).range;
  const auto chosen = host_.chooseFont({fontDialog_, sizes.low, sizes.high});
  if (!chosen) return;
  // The dialog opens on this choice next time.
  fontDialog_ = *chosen;
  fontDialog_.colour &= 0xFFFFFFu;
  val(Key::newFontName) = fontDialog_.name;
  val(Key::newFontSize) = fontSizeText(fontDialog_.size);
  val(Key::newFontBold) = settings::flagText(Key::newFontBold, fontDialog_.bold);
  val(Key::newFontItalic) = settings::flagText(Key::newFontItalic, fontDialog_.italic);
  val(Key::newFontUnderline) = settings::flagText(Key::newFontUnderline, fontDialog_.underline);
  val(Key::newFontFontStrikethru) = settings::flagText(Key::newFontFontStrikethru, fontDialog_.strikethru);
  val(Key::newFontForeColor) = numberToText(static_cast<std::int64_t>(fontDialog_.colour));
  setColour(C::fontColourSwatch, fontDialog_.colour);
}

void SettingsDialog::onChooseBackColour() {
  const auto chosen = host_.chooseColour({colourDialog_});
  if (!chosen) return;
  colourDialog_ = *chosen & 0xFFFFFFu;  // selected when the dialog opens again
  val(Key::newBackColor) = numberToText(static_cast<std::int64_t>(colourDialog_));
  setColour(C::backColourSwatch, colourDialog_);
}

void SettingsDialog::onBackgroundChosen() {
  val(Key::backEffect) = numberToText(control(C::backgroundChoice).value);
  // The desktop snapshot needs no colour; the swatch keeps showing it.
  setEnabled(C::backColourButton, control(C::backgroundChoice).value != kDesktop);
}

void SettingsDialog::onCentredChosen() {
  if (control(C::centredOption).value != 1) return;
  val(Key::picRandom) = settings::choiceText(Key::picRandom, settings::kCentred);
  setEnabled(C::floatSpeed, false);
  setEnabled(C::floatSpeedLabel, false);
}

void SettingsDialog::onFloatingChosen() {
  if (control(C::floatingOption).value != 1) return;
  val(Key::picRandom) = settings::choiceText(Key::picRandom, settings::kFloating);
  setEnabled(C::floatSpeed, true);
  setEnabled(C::floatSpeedLabel, true);
}

void SettingsDialog::onPanZoomChosen() {
  if (control(C::panZoomOption).value != 1) return;
  val(Key::picRandom) = settings::choiceText(Key::picRandom, settings::kPanZoom);
  setEnabled(C::floatSpeed, false);
  setEnabled(C::floatSpeedLabel, false);
}

void SettingsDialog::onFloatSpeedChanged() { val(Key::picSpeed) = numberToText(control(C::floatSpeed).value); }

void SettingsDialog::onChangeAfterChosen() {
  if (control(C::changeAfterOption).value != 1) return;
  val(Key::picChange) = settings::choiceText(Key::picChange, settings::kChangeAfter);
  val(Key::timeInterval) = numberToText(control(C::intervalSpin).value);
  setEnabled(C::intervalSeconds, true);
  setBack(C::intervalSeconds, SysColor::Window);
  setEnabled(C::secondsLabel, true);
  setEnabled(C::intervalSpin, true);
  // Random order stays as "Never" left it.
  setEnabled(C::randomOrderCheck, true);
}

void SettingsDialog::onChangeNeverChosen() {
  if (control(C::changeNeverOption).value != 1) return;
  val(Key::picChange) = settings::choiceText(Key::picChange, settings::kChangeNever);
  // The saver keeps one picture when the interval is 0; the spin control and
  // its box keep showing the old interval for a later "After...".
  val(Key::timeInterval) = "0";
  setEnabled(C::intervalSeconds, false);
  setBack(C::intervalSeconds, SysColor::ThreeDLight);
  setEnabled(C::secondsLabel, false);
  setEnabled(C::randomOrderCheck, false);
  setEnabled(C::intervalSpin, false);
  setValue(C::randomOrderCheck, 0);
}

void SettingsDialog::onIntervalChanged() {
  val(Key::timeInterval) = numberToText(control(C::intervalSpin).value);
  setText(C::intervalSeconds, value(Key::timeInterval));
}

void SettingsDialog::onRandomOrderToggled() {
  val(Key::randomPick) = numberToText(control(C::randomOrderCheck).value);
  // Only random order can go without repeats; the box keeps its tick.
  setEnabled(C::shuffleCheck, control(C::randomOrderCheck).value == 1);
}

void SettingsDialog::onTransitionChosen() { val(Key::effectMode) = numberToText(control(C::transitionChoice).value); }

void SettingsDialog::onRandomTransitionsToggled() {
  val(Key::randomEffect) = numberToText(control(C::randomTransitionsCheck).value);
  // effectMode keeps the chosen transition for when random is turned off.
  const bool random = control(C::randomTransitionsCheck).value == 1;
  setEnabled(C::transitionChoice, !random);
  setBack(C::transitionChoice, random ? SysColor::ThreeDLight : SysColor::Window);
}

void SettingsDialog::onFitPicturesToggled() { val(Key::picFit) = numberToText(control(C::fitPicturesCheck).value); }

void SettingsDialog::onAllMonitorsToggled() {
  val(Key::allMonitors) = numberToText(control(C::allMonitorsCheck).value);
}

void SettingsDialog::onShuffleToggled() { val(Key::shuffle) = numberToText(control(C::shuffleCheck).value); }

void SettingsDialog::onKeysSteerToggled() { val(Key::keysSteer) = numberToText(control(C::keysSteerCheck).value); }

void SettingsDialog::showHidden() {
  state(C::hiddenCount).text = hiddenCountText(hidden_.size());
  changed(C::hiddenCount);
  setVisible(C::hiddenCount, !hidden_.empty());
  setVisible(C::showHiddenButton, !hidden_.empty());
}

void SettingsDialog::onShowHiddenAgain() {
  if (hidden_.empty() || !host_.askYesNo(showHiddenQuestion(hidden_.size()))) return;
  // At once, not with OK: the saver reads the file at its next start. The
  // only save that holds less than the file did.
  settings::SettingsStore& store = host_.settings();
  const std::string path = saver::hiddenListBeside(store.path());
  if (const auto error = store.files().replaceAtomically(path, ""); error != settings::SaveError::None) {
    host_.showMessage(hiddenNotEmptiedMessage(path, error));
    return;
  }
  hidden_ = saver::HiddenPictures();
  showHidden();
}

void SettingsDialog::onBlurFillToggled() { val(Key::blurFill) = numberToText(control(C::blurFillCheck).value); }

void SettingsDialog::onPairPortraitsToggled() {
  val(Key::pairPortraits) = numberToText(control(C::pairPortraitsCheck).value);
}

void SettingsDialog::onAutoCaptionChosen() {
  val(Key::autoCaption) = numberToText(control(C::autoCaptionChoice).value);
}

void SettingsDialog::onStillOnBatteryToggled() {
  val(Key::stillOnBattery) = numberToText(control(C::stillOnBatteryCheck).value);
}

void SettingsDialog::onUseGpuToggled() { val(Key::useGpu) = numberToText(control(C::useGpuCheck).value); }

void SettingsDialog::onClockChosen() { val(Key::clock) = numberToText(control(C::clockChoice).value); }

void SettingsDialog::onProtectionToggled() {
  // The typed passwords stay as they are either way.
  const bool on = control(C::protectionCheck).value == 1;
  val(Key::saverEnabled) = numberToText(on ? 1 : 0);
  showProtection(on);
}

void SettingsDialog::showProtection(bool on) {
  for (auto box : {C::passwordText, C::confirmText}) {
    setEnabled(box, on);
    setBack(box, on ? SysColor::Window : SysColor::ThreeDLight);
  }
}

void SettingsDialog::onPasswordChanged() { val(Key::saverPassword) = control(C::passwordText).text; }

void SettingsDialog::onConfirmChanged() { confirmPassword_ = control(C::confirmText).text; }

}  // namespace lumova::dialog
