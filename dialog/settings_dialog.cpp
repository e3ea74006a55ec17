#include "dialog/settings_dialog.h"

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
using Reaction = void (Form2Model::*)();

struct ControlEntry {
  ControlInfo info;
  Reaction reaction = nullptr;
};

// Every control: its name, kind, option group, the option it shows and its
// reaction, in the order of the enum.
constexpr std::array<ControlEntry, kControlCount> kControls{{
    {{C::List1, "List1", K::ListBox, 0, {}, "List1_Click"}, &Form2Model::List1_Click},
    {{C::photo_caption, "photo_caption", K::ListBox, 0, {}, {}}},
    {{C::Text3, "Text3", K::TextBox, 0, {}, {}}},
    {{C::add, "add", K::Button, 0, {}, "add_Click"}, &Form2Model::add_Click},
    {{C::addFolder, "addFolder", K::Button, 0, {}, "addFolder_Click"}, &Form2Model::addFolder_Click},
    {{C::Folders, "Folders", K::ListBox, 0, {}, "Folders_Click"}, &Form2Model::Folders_Click},
    {{C::removeFolder, "removeFolder", K::Button, 0, {}, "removeFolder_Click"}, &Form2Model::removeFolder_Click},
    {{C::remove, "remove", K::Button, 0, {}, "remove_Click"}, &Form2Model::remove_Click},
    {{C::RemoveAll, "RemoveAll", K::Button, 0, {}, "RemoveAll_Click"}, &Form2Model::RemoveAll_Click},
    {{C::p_caption, "p_caption", K::TextBox, 0, {}, "p_caption_Change"}, &Form2Model::p_caption_Change},
    {{C::caption_clear, "caption_clear", K::Button, 0, {}, "caption_clear_Click"}, &Form2Model::caption_clear_Click},
    {{C::font, "font", K::Button, 0, {}, "font_Click"}, &Form2Model::font_Click},
    {{C::Picture2, "Picture2", K::Swatch, 0, Key::newFontForeColor, {}}},
    {{C::photo1, "photo1", K::Picture, 0, {}, {}}},
    {{C::Combo1, "Combo1", K::ComboBox, 0, Key::backEffect, "Combo1_Click"}, &Form2Model::Combo1_Click},
    {{C::backColorClick, "backColorClick", K::Button, 0, {}, "backColorClick_Click"},
     &Form2Model::backColorClick_Click},
    {{C::Picture1, "Picture1", K::Swatch, 0, Key::newBackColor, {}}},
    {{C::pCenter, "pCenter", K::OptionButton, 1, Key::picRandom, "pCenter_Click"}, &Form2Model::pCenter_Click},
    {{C::pRandom, "pRandom", K::OptionButton, 1, Key::picRandom, "pRandom_Click"}, &Form2Model::pRandom_Click},
    {{C::pZoom, "pZoom", K::OptionButton, 1, Key::picRandom, "pZoom_Click"}, &Form2Model::pZoom_Click},
    {{C::Slider1, "Slider1", K::Slider, 0, Key::picSpeed, "Slider1_Change"}, &Form2Model::Slider1_Change},
    {{C::Label5_2, "Label5(2)", K::Label, 0, {}, {}}},
    {{C::aChange, "aChange", K::OptionButton, 2, Key::picChange, "aChange_Click"}, &Form2Model::aChange_Click},
    {{C::nChange, "nChange", K::OptionButton, 2, Key::picChange, "nChange_Click"}, &Form2Model::nChange_Click},
    {{C::Text2, "Text2", K::TextBox, 0, {}, {}}},
    {{C::changeVScroll1, "changeVScroll1", K::ScrollBar, 0, Key::timeInterval, "changeVScroll1_change"},
     &Form2Model::changeVScroll1_change},
    {{C::Label3_5, "Label3(5)", K::Label, 0, {}, {}}},
    {{C::Random_select, "Random_select", K::CheckBox, 0, Key::randomPick, "Random_select_Click"},
     &Form2Model::Random_select_Click},
    {{C::TransitionsCbx, "TransitionsCbx", K::ComboBox, 0, Key::effectMode, "TransitionsCbx_Click"},
     &Form2Model::TransitionsCbx_Click},
    {{C::RndTranCheck, "RndTranCheck", K::CheckBox, 0, Key::randomEffect, "RndTranCheck_Click"},
     &Form2Model::RndTranCheck_Click},
    {{C::PicFitCheck, "PicFitCheck", K::CheckBox, 0, Key::picFit, "PicFitCheck_Click"}, &Form2Model::PicFitCheck_Click},
    {{C::AllMonitorsCheck, "AllMonitorsCheck", K::CheckBox, 0, Key::allMonitors, "AllMonitorsCheck_Click"},
     &Form2Model::AllMonitorsCheck_Click},
    {{C::Password_enabled, "Password_enabled", K::CheckBox, 0, Key::saverEnabled, "Password_enabled_Click"},
     &Form2Model::Password_enabled_Click},
    {{C::SS_password, "SS_password", K::TextBox, 0, Key::saverPassword, "SS_password_Change"},
     &Form2Model::SS_password_Change},
    {{C::SS_Confirm, "SS_Confirm", K::TextBox, 0, {}, "SS_Confirm_Change"}, &Form2Model::SS_Confirm_Change},
    {{C::Ok, "Ok", K::Button, 0, {}, "OK_Click"}, &Form2Model::OK_Click},
    {{C::Cancel, "Cancel", K::Button, 0, {}, "Cancel_Click"}, &Form2Model::Cancel_Click},
    {{C::ShuffleCheck, "ShuffleCheck", K::CheckBox, 0, Key::shuffle, "ShuffleCheck_Click"},
     &Form2Model::ShuffleCheck_Click},
    {{C::AutoCaptionCbx, "AutoCaptionCbx", K::ComboBox, 0, Key::autoCaption, "AutoCaptionCbx_Click"},
     &Form2Model::AutoCaptionCbx_Click},
}};

constexpr bool tableInOrder() {
  for (std::size_t i = 0; i < kControls.size(); ++i)
    if (static_cast<std::size_t>(kControls[i].info.id) != i) return false;
  return true;
}
static_assert(tableInOrder(), "kControls must list the controls in the order of the enum");

constexpr bool reactionsNamed() {
  for (const ControlEntry& e : kControls)
    if ((e.reaction == nullptr) != e.info.reaction.empty()) return false;
  return true;
}
static_assert(reactionsNamed(), "a control has a reaction exactly when it names one");

const ControlEntry& entry(Control c) {
  const auto i = static_cast<std::size_t>(c);
  assert(i < kControls.size());
  return kControls[i];
}

// The lists' items, one for each value of the option they show.
constexpr std::array<std::string_view, 2> kBackgrounds{"Background Color (below)", "Desktop"};
constexpr std::array<std::string_view, 9> kTransitions{"Standard",          "Left wipe",      "Right wipe",
                                                       "Right & Left wipe", "Up & down wipe", "Center wipe",
                                                       "Horizontal blinds", "Vertical blinds", "Crossfade"};
constexpr std::array<std::string_view, 3> kAutoCaptions{"Nothing", "File name", "Date taken"};

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

Form2Model::Form2Model(Form2Host& host) : host_(host) {
  for (auto c : {C::List1, C::photo_caption, C::Folders, C::Combo1, C::TransitionsCbx, C::AutoCaptionCbx})
    state(c).value = -1;
  state(C::Combo1).items = listItems(C::Combo1, kBackgrounds);
  state(C::TransitionsCbx).items = listItems(C::TransitionsCbx, kTransitions);
  state(C::AutoCaptionCbx).items = listItems(C::AutoCaptionCbx, kAutoCaptions);
  for (auto c : {C::Text2, C::TransitionsCbx, C::SS_password, C::SS_Confirm}) state(c).back = SysColor::Window;
}

void Form2Model::raise(Control c) {
  const Reaction reaction = entry(c).reaction;
  if (!reaction) return;
  host_.reactionRaised(c);
  (this->*reaction)();
}

void Form2Model::click(Control c) {
  assert(controlInfo(c).kind == ControlKind::Button);
  raise(c);
}

void Form2Model::setValue(Control c, int value) {
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

void Form2Model::setText(Control c, const std::string& text) {
  assert(controlInfo(c).kind == ControlKind::TextBox);
  ControlState& s = state(c);
  if (s.text == text) return;
  s.text = text;
  changed(c);
  raise(c);
}

void Form2Model::setListIndex(Control c, int index) {
  assert(controlInfo(c).kind == ControlKind::ListBox || controlInfo(c).kind == ControlKind::ComboBox);
  ControlState& s = state(c);
  if (index < -1 || index >= static_cast<int>(s.items.size())) return;
  if (s.value == index) return;
  s.value = index;
  changed(c);
  raise(c);
}

void Form2Model::setEnabled(Control c, bool enabled) {
  if (state(c).enabled == enabled) return;
  state(c).enabled = enabled;
  changed(c);
}

void Form2Model::setBack(Control c, SysColor colour) {
  if (state(c).back == colour) return;
  state(c).back = colour;
  changed(c);
}

void Form2Model::setColour(Control c, std::uint32_t colour) {
  state(c).colour = colour;
  changed(c);
}

void Form2Model::setItems(Control c, std::vector<std::string> items) {
  ControlState& s = state(c);
  s.items = std::move(items);
  s.value = -1;  // emptying a list drops its selection without a click
  changed(c);
}

void Form2Model::removeItem(Control c, int i) {
  ControlState& s = state(c);
  s.items.erase(s.items.begin() + i);
  // Removing the selected entry leaves nothing selected, without a click.
  if (s.value == i)
    s.value = -1;
  else if (s.value > i)
    --s.value;
  changed(c);
}

void Form2Model::clearThumbnail() {
  if (!thumbnail_) return;
  thumbnail_.reset();
  changed(C::photo1);
}

}  // namespace lumova::dialog
