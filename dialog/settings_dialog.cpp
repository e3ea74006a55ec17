#include "dialog/settings_dialog.h"

#include "effects/effect_table.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <utility>

#include "settings/settings_store.h"

namespace lumova::dialog {

using settings::Key;
using C = Control;

namespace {

using K = ControlKind;
using Reaction = void (SettingsDialog::*)();

struct ControlEntry {
  ControlInfo info;
  Reaction reaction = nullptr;
};

// Every control: its name, kind, option group, the option it shows (and for
// option buttons the choice) and its reaction, in the order of the enum.
constexpr std::array<ControlEntry, kControlCount> kControls{{
    {{C::pictureList, "pictureList", K::ListBox}, &SettingsDialog::onPictureSelected},
    {{C::captionList, "captionList", K::ListBox}},
    {{C::pictureCount, "pictureCount", K::TextBox}},
    {{C::addButton, "addButton", K::Button}, &SettingsDialog::onAddPictures},
    {{C::addFolderButton, "addFolderButton", K::Button}, &SettingsDialog::onAddFolder},
    {{C::folderList, "folderList", K::ListBox}, &SettingsDialog::onFolderSelected},
    {{C::removeFolderButton, "removeFolderButton", K::Button}, &SettingsDialog::onRemoveFolder},
    {{C::removeButton, "removeButton", K::Button}, &SettingsDialog::onRemovePicture},
    {{C::removeAllButton, "removeAllButton", K::Button}, &SettingsDialog::onRemoveAllPictures},
    {{C::captionText, "captionText", K::TextBox}, &SettingsDialog::onCaptionChanged},
    {{C::clearCaptionButton, "clearCaptionButton", K::Button}, &SettingsDialog::onClearCaption},
    {{C::fontButton, "fontButton", K::Button}, &SettingsDialog::onChooseFont},
    {{C::fontColourSwatch, "fontColourSwatch", K::Swatch, 0, Key::newFontForeColor}},
    {{C::thumbnailBox, "thumbnailBox", K::Picture}},
    {{C::backgroundChoice, "backgroundChoice", K::ComboBox, 0, Key::backEffect}, &SettingsDialog::onBackgroundChosen},
    {{C::backColourButton, "backColourButton", K::Button}, &SettingsDialog::onChooseBackColour},
    {{C::backColourSwatch, "backColourSwatch", K::Swatch, 0, Key::newBackColor}},
    {{C::centredOption, "centredOption", K::OptionButton, 1, Key::picRandom, settings::kCentred},
     &SettingsDialog::onCentredChosen},
    {{C::floatingOption, "floatingOption", K::OptionButton, 1, Key::picRandom, settings::kFloating},
     &SettingsDialog::onFloatingChosen},
    {{C::panZoomOption, "panZoomOption", K::OptionButton, 1, Key::picRandom, settings::kPanZoom},
     &SettingsDialog::onPanZoomChosen},
    {{C::floatSpeed, "floatSpeed", K::Slider, 0, Key::picSpeed}, &SettingsDialog::onFloatSpeedChanged},
    {{C::floatSpeedLabel, "floatSpeedLabel", K::Label}},
    {{C::changeAfterOption, "changeAfterOption", K::OptionButton, 2, Key::picChange, settings::kChangeAfter},
     &SettingsDialog::onChangeAfterChosen},
    {{C::changeNeverOption, "changeNeverOption", K::OptionButton, 2, Key::picChange, settings::kChangeNever},
     &SettingsDialog::onChangeNeverChosen},
    {{C::intervalSeconds, "intervalSeconds", K::TextBox}},
    {{C::intervalSpin, "intervalSpin", K::ScrollBar, 0, Key::timeInterval}, &SettingsDialog::onIntervalChanged},
    {{C::secondsLabel, "secondsLabel", K::Label}},
    {{C::randomOrderCheck, "randomOrderCheck", K::CheckBox, 0, Key::randomPick}, &SettingsDialog::onRandomOrderToggled},
    {{C::transitionChoice, "transitionChoice", K::ComboBox, 0, Key::effectMode}, &SettingsDialog::onTransitionChosen},
    {{C::randomTransitionsCheck, "randomTransitionsCheck", K::CheckBox, 0, Key::randomEffect},
     &SettingsDialog::onRandomTransitionsToggled},
    {{C::fitPicturesCheck, "fitPicturesCheck", K::CheckBox, 0, Key::picFit}, &SettingsDialog::onFitPicturesToggled},
    {{C::allMonitorsCheck, "allMonitorsCheck", K::CheckBox, 0, Key::allMonitors},
     &SettingsDialog::onAllMonitorsToggled},
    {{C::protectionCheck, "protectionCheck", K::CheckBox, 0, Key::saverEnabled}, &SettingsDialog::onProtectionToggled},
    {{C::passwordText, "passwordText", K::TextBox, 0, Key::saverPassword}, &SettingsDialog::onPasswordChanged},
    // Opens on the saved password too, so that the two agree until one is edited.
    {{C::confirmText, "confirmText", K::TextBox, 0, Key::saverPassword}, &SettingsDialog::onConfirmChanged},
    {{C::okButton, "okButton", K::Button}, &SettingsDialog::onOk},
    {{C::cancelButton, "cancelButton", K::Button}, &SettingsDialog::onCancel},
    {{C::shuffleCheck, "shuffleCheck", K::CheckBox, 0, Key::shuffle}, &SettingsDialog::onShuffleToggled},
    {{C::autoCaptionChoice, "autoCaptionChoice", K::ComboBox, 0, Key::autoCaption},
     &SettingsDialog::onAutoCaptionChosen},
    {{C::keysSteerCheck, "keysSteerCheck", K::CheckBox, 0, Key::keysSteer}, &SettingsDialog::onKeysSteerToggled},
    {{C::hiddenCount, "hiddenCount", K::Label}},
    {{C::showHiddenButton, "showHiddenButton", K::Button}, &SettingsDialog::onShowHiddenAgain},
    {{C::stillOnBatteryCheck, "stillOnBatteryCheck", K::CheckBox, 0, Key::stillOnBattery},
     &SettingsDialog::onStillOnBatteryToggled},
    {{C::clockChoice, "clockChoice", K::ComboBox, 0, Key::clock}, &SettingsDialog::onClockChosen},
    {{C::blurFillCheck, "blurFillCheck", K::CheckBox, 0, Key::blurFill}, &SettingsDialog::onBlurFillToggled},
    {{C::pairPortraitsCheck, "pairPortraitsCheck", K::CheckBox, 0, Key::pairPortraits},
     &SettingsDialog::onPairPortraitsToggled},
    {{C::useGpuCheck, "useGpuCheck", K::CheckBox, 0, Key::useGpu}, &SettingsDialog::onUseGpuToggled},
}};

constexpr bool tableInOrder() {
  for (std::size_t i = 0; i < kControls.size(); ++i)
    if (static_cast<std::size_t>(kControls[i].info.id) != i) return false;
  return true;
}
static_assert(tableInOrder(), "kControls must list the controls in the order of the enum");

constexpr bool everyButtonReacts() {
  for (const ControlEntry& e : kControls)
    if ((e.info.kind == K::Button || e.info.kind == K::OptionButton) && e.reaction == nullptr) return false;
  return true;
}
static_assert(everyButtonReacts(), "a push or option button without a reaction would do nothing");

const ControlEntry& entry(Control c) {
  const auto i = static_cast<std::size_t>(c);
  assert(i < kControls.size());
  return kControls[i];
}

// The lists' items, one for each value of the option they show.
constexpr std::array<std::string_view, 2> kBackgrounds{"Background Color (below)", "Desktop"};
constexpr auto kTransitions = effects::effectNames();
constexpr std::array<std::string_view, 3> kAutoCaptions{"Nothing", "File name", "Date taken"};
constexpr std::array<std::string_view, 3> kClocks{"None", "Time", "Time and date"};

template <std::size_t N>
std::vector<std::string> listItems(Control c, const std::array<std::string_view, N>& texts) {
  [[maybe_unused]] const settings::Range range = controlRange(c);
  assert(range.low == 0 && range.high + 1 == static_cast<int>(N));
  return {texts.begin(), texts.end()};
}

}  // namespace

const ControlInfo& controlInfo(Control c) { return entry(c).info; }

settings::Range controlRange(Control c) {
  const auto& key = controlInfo(c).key;
  return key ? settings::keyInfo(*key).range : settings::Range{};
}

SettingsDialog::SettingsDialog(DialogHost& host) : host_(host) {
  for (auto c : {C::pictureList, C::captionList, C::folderList, C::backgroundChoice, C::transitionChoice,
                 C::autoCaptionChoice, C::clockChoice})
    state(c).value = -1;
  state(C::backgroundChoice).items = listItems(C::backgroundChoice, kBackgrounds);
  state(C::transitionChoice).items = listItems(C::transitionChoice, kTransitions);
  state(C::autoCaptionChoice).items = listItems(C::autoCaptionChoice, kAutoCaptions);
  state(C::clockChoice).items = listItems(C::clockChoice, kClocks);
  for (auto c : {C::intervalSeconds, C::transitionChoice, C::passwordText, C::confirmText})
    state(c).back = SysColor::Window;
}

void SettingsDialog::raise(Control c) {
  const Reaction reaction = entry(c).reaction;
  if (!reaction) return;
  host_.reactionRaised(c);
  (this->*reaction)();
}

void SettingsDialog::click(Control c) {
  assert(controlInfo(c).kind == ControlKind::Button);
  raise(c);
}

void SettingsDialog::setValue(Control c, int value) {
  const ControlInfo& info = controlInfo(c);
  ControlState& s = state(c);
  switch (info.kind) {
    case ControlKind::CheckBox:
    case ControlKind::Slider:
    case ControlKind::ScrollBar: {
      const settings::Range range = controlRange(c);
      value = std::clamp(value, range.low, range.high);
      if (s.value == value) return;
      s.value = value;
      changed(c);
      raise(c);
      return;
    }
    case ControlKind::OptionButton:
      value = value != 0 ? 1 : 0;
      if (s.value == value) return;
      s.value = value;
      if (value == 1) {
        // Choosing one option of a frame clears the others; only the chosen
        // one raises its click.
        for (std::size_t i = 0; i < kControlCount; ++i) {
          const auto other = static_cast<Control>(i);
          const ControlInfo& o = controlInfo(other);
          if (other != c && o.kind == ControlKind::OptionButton && o.group == info.group && state(other).value != 0) {
            state(other).value = 0;
            changed(other);
          }
        }
      }
      changed(c);
      if (value == 1) raise(c);
      return;
    default:
      assert(!"setValue on a control without a value");
      return;
  }
}

void SettingsDialog::setText(Control c, const std::string& text) {
  assert(controlInfo(c).kind == ControlKind::TextBox);
  ControlState& s = state(c);
  if (s.text == text) return;
  s.text = text;
  changed(c);
  raise(c);
}

void SettingsDialog::setListIndex(Control c, int index) {
  assert(controlInfo(c).kind == ControlKind::ListBox || controlInfo(c).kind == ControlKind::ComboBox);
  ControlState& s = state(c);
  if (index < -1 || index >= static_cast<int>(s.items.size())) return;
  if (s.value == index) return;
  s.value = index;
  changed(c);
  raise(c);
}

void SettingsDialog::setEnabled(Control c, bool enabled) {
  if (state(c).enabled == enabled) return;
  state(c).enabled = enabled;
  changed(c);
}

void SettingsDialog::setVisible(Control c, bool visible) {
  if (state(c).visible == visible) return;
  state(c).visible = visible;
  changed(c);
}

void SettingsDialog::setBack(Control c, SysColor colour) {
  if (state(c).back == colour) return;
  state(c).back = colour;
  changed(c);
}

void SettingsDialog::setColour(Control c, std::uint32_t colour) {
  state(c).colour = colour;
  changed(c);
}

void SettingsDialog::setItems(Control c, std::vector<std::string> items) {
  ControlState& s = state(c);
  s.items = std::move(items);
  s.value = -1;  // emptying a list drops its selection without a click
  changed(c);
}

void SettingsDialog::removeItem(Control c, int i) {
  ControlState& s = state(c);
  s.items.erase(s.items.begin() + i);
  // Removing the selected entry leaves nothing selected, without a click.
  if (s.value == i)
    s.value = -1;
  else if (s.value > i)
    --s.value;
  changed(c);
}

void SettingsDialog::clearThumbnail() {
  if (!thumbnail_) return;
  thumbnail_.reset();
  changed(C::thumbnailBox);
}

}  // namespace lumova::dialog
