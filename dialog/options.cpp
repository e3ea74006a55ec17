#include "dialog/settings_dialog.h"

#include "common/module1.h"
#include "common/textnum.h"
#include "settings/settings_store.h"

namespace lumova::dialog {

using settings::Key;
using C = Control;

namespace {

constexpr int kDesktop = 1;  // Combo1's item for the desktop snapshot

}  // namespace

void Form2Model::font_Click() {
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
  setColour(C::Picture2, fontDialog_.colour);
}

void Form2Model::backColorClick_Click() {
  const auto chosen = host_.chooseColour({colourDialog_});
  if (!chosen) return;
  colourDialog_ = *chosen & 0xFFFFFFu;  // selected when the dialog opens again
  val(Key::newBackColor) = numberToText(static_cast<std::int64_t>(colourDialog_));
  setColour(C::Picture1, colourDialog_);
}

void Form2Model::Combo1_Click() {
  val(Key::backEffect) = numberToText(control(C::Combo1).value);
  // The desktop snapshot needs no colour; the swatch keeps showing it.
  setEnabled(C::backColorClick, control(C::Combo1).value != kDesktop);
}

void Form2Model::pCenter_Click() {
  if (control(C::pCenter).value != 1) return;
  val(Key::picRandom) = settings::choiceText(Key::picRandom, settings::kCentred);
  setEnabled(C::Slider1, false);
  setEnabled(C::Label5_2, false);
}

void Form2Model::pRandom_Click() {
  if (control(C::pRandom).value != 1) return;
  val(Key::picRandom) = settings::choiceText(Key::picRandom, settings::kFloating);
  setEnabled(C::Slider1, true);
  setEnabled(C::Label5_2, true);
}

void Form2Model::pZoom_Click() {
  if (control(C::pZoom).value != 1) return;
  val(Key::picRandom) = settings::choiceText(Key::picRandom, settings::kPanZoom);
  setEnabled(C::Slider1, false);
  setEnabled(C::Label5_2, false);
}

void Form2Model::Slider1_Change() { val(Key::picSpeed) = numberToText(control(C::Slider1).value); }

void Form2Model::aChange_Click() {
  if (control(C::aChange).value != 1) return;
  val(Key::picChange) = settings::choiceText(Key::picChange, settings::kChangeAfter);
  val(Key::timeInterval) = numberToText(control(C::changeVScroll1).value);
  setEnabled(C::Text2, true);
  setBack(C::Text2, SysColor::Window);
  setEnabled(C::Label3_5, true);
  setEnabled(C::changeVScroll1, true);
  // Random order stays as "Never" left it.
  setEnabled(C::Random_select, true);
}

void Form2Model::nChange_Click() {
  if (control(C::nChange).value != 1) return;
  val(Key::picChange) = settings::choiceText(Key::picChange, settings::kChangeNever);
  // The saver keeps one picture when the interval is 0; the spin control and
  // Text2 keep showing the old interval for a later "After...".
  val(Key::timeInterval) = "0";
  setEnabled(C::Text2, false);
  setBack(C::Text2, SysColor::ThreeDLight);
  setEnabled(C::Label3_5, false);
  setEnabled(C::Random_select, false);
  setEnabled(C::changeVScroll1, false);
  setValue(C::Random_select, 0);
}

void Form2Model::changeVScroll1_change() {
  val(Key::timeInterval) = numberToText(control(C::changeVScroll1).value);
  setText(C::Text2, value(Key::timeInterval));
}

void Form2Model::Random_select_Click() {
  val(Key::randomPick) = numberToText(control(C::Random_select).value);
  // Only random order can go without repeats; the box keeps its tick.
  setEnabled(C::ShuffleCheck, control(C::Random_select).value == 1);
}

void Form2Model::TransitionsCbx_Click() { val(Key::effectMode) = numberToText(control(C::TransitionsCbx).value); }

void Form2Model::RndTranCheck_Click() {
  val(Key::randomEffect) = numberToText(control(C::RndTranCheck).value);
  // effectMode keeps the chosen transition for when random is turned off.
  const bool random = control(C::RndTranCheck).value == 1;
  setEnabled(C::TransitionsCbx, !random);
  setBack(C::TransitionsCbx, random ? SysColor::ThreeDLight : SysColor::Window);
}

void Form2Model::PicFitCheck_Click() { val(Key::picFit) = numberToText(control(C::PicFitCheck).value); }

void Form2Model::AllMonitorsCheck_Click() { val(Key::allMonitors) = numberToText(control(C::AllMonitorsCheck).value); }

void Form2Model::ShuffleCheck_Click() { val(Key::shuffle) = numberToText(control(C::ShuffleCheck).value); }

void Form2Model::AutoCaptionCbx_Click() { val(Key::autoCaption) = numberToText(control(C::AutoCaptionCbx).value); }

void Form2Model::Password_enabled_Click() {
  // The typed passwords stay as they are either way.
  const bool on = control(C::Password_enabled).value == 1;
  val(Key::saverEnabled) = numberToText(on ? 1 : 0);
  for (auto box : {C::SS_password, C::SS_Confirm}) {
    setEnabled(box, on);
    setBack(box, on ? SysColor::Window : SysColor::ThreeDLight);
  }
}

void Form2Model::SS_password_Change() { val(Key::saverPassword) = control(C::SS_password).text; }

void Form2Model::SS_Confirm_Change() { confirmPassword_ = control(C::SS_Confirm).text; }

}  // namespace lumova::dialog
