#include "dialog/form2_controls.h"

#include <array>
#include <cassert>

namespace lumova::dialog {
namespace {

using K = ControlKind;
using C = Control;

constexpr std::array<ControlInfo, kControlCount> kControls{{
    {C::List1, "List1", K::ListBox, 0, 0, 0, "List1_Click"},
    {C::photo_caption, "photo_caption", K::ListBox, 0, 0, 0, ""},
    {C::Text3, "Text3", K::TextBox, 0, 0, 0, ""},
    {C::add, "add", K::Button, 0, 0, 0, "add_Click"},
    {C::remove, "remove", K::Button, 0, 0, 0, "remove_Click"},
    {C::RemoveAll, "RemoveAll", K::Button, 0, 0, 0, "RemoveAll_Click"},
    {C::p_caption, "p_caption", K::TextBox, 0, 0, 0, "p_caption_Change"},
    {C::caption_clear, "caption_clear", K::Button, 0, 0, 0, "caption_clear_Click"},
    {C::font, "font", K::Button, 0, 0, 0, "font_Click"},
    {C::Picture2, "Picture2", K::Swatch, 0, 0, 0, ""},
    {C::photo1, "photo1", K::Picture, 0, 0, 0, ""},
    {C::Combo1, "Combo1", K::ComboBox, 0, 0, 0, "Combo1_Click"},
    {C::backColorClick, "backColorClick", K::Button, 0, 0, 0, "backColorClick_Click"},
    {C::Picture1, "Picture1", K::Swatch, 0, 0, 0, ""},
    {C::pCenter, "pCenter", K::OptionButton, 1, 0, 1, "pCenter_Click"},
    {C::pRandom, "pRandom", K::OptionButton, 1, 0, 1, "pRandom_Click"},
    {C::Slider1, "Slider1", K::Slider, 0, 0, 5, "Slider1_Change"},
    {C::Label5_2, "Label5(2)", K::Label, 0, 0, 0, ""},
    {C::aChange, "aChange", K::OptionButton, 2, 0, 1, "aChange_Click"},
    {C::nChange, "nChange", K::OptionButton, 2, 0, 1, "nChange_Click"},
    {C::Text2, "Text2", K::TextBox, 0, 0, 0, ""},
    {C::changeVScroll1, "changeVScroll1", K::ScrollBar, 0, 0, 60, "changeVScroll1_change"},
    {C::Label3_5, "Label3(5)", K::Label, 0, 0, 0, ""},
    {C::Random_select, "Random_select", K::CheckBox, 0, 0, 1, "Random_select_Click"},
    {C::TransitionsCbx, "TransitionsCbx", K::ComboBox, 0, 0, 0, "TransitionsCbx_Click"},
    {C::RndTranCheck, "RndTranCheck", K::CheckBox, 0, 0, 1, "RndTranCheck_Click"},
    {C::Password_enabled, "Password_enabled", K::CheckBox, 0, 0, 1, "Password_enabled_Click"},
    {C::SS_password, "SS_password", K::TextBox, 0, 0, 0, "SS_password_Change"},
    {C::SS_Confirm, "SS_Confirm", K::TextBox, 0, 0, 0, "SS_Confirm_Change"},
    {C::Ok, "Ok", K::Button, 0, 0, 0, "OK_Click"},
    {C::Cancel, "Cancel", K::Button, 0, 0, 0, "Cancel_Click"},
}};

constexpr bool tableInOrder() {
  for (std::size_t i = 0; i < kControls.size(); ++i)
    if (static_cast<std::size_t>(kControls[i].id) != i) return false;
  return true;
}
static_assert(tableInOrder(), "kControls must list the controls in the order of the enum");

}  // namespace

const ControlInfo& controlInfo(Control c) {
  auto i = static_cast<std::size_t>(c);
  assert(i < kControls.size());
  return kControls[i];
}

}  // namespace lumova::dialog
