#include "dialog/settings_dialog.h"

#include <algorithm>

#include "common/module1.h"
#include "common/textnum.h"
#include "settings/settings_store.h"

namespace lumova::dialog {

using settings::Key;
using C = Control;

namespace {

// A setting's text as a number. The store hands out numbers for numeric
// keys, so 0 is only a guard.
double number(const std::string& text) { return parseNumber(text).value_or(0); }

// The nearest whole number; numbers beyond an int end at its limits, where
// every control's range clamps them anyway.
int whole(const std::string& text) {
  const double limit = 2147483647.0;
  return static_cast<int>(std::clamp(roundHalfEven(number(text)), -limit, limit));
}

std::uint32_t colourOf(const std::string& text) {
  return static_cast<std::uint32_t>(std::max(0, whole(text))) & 0xFFFFFFu;
}

bool truthOf(const std::string& text) { return parseTruth(text).value_or(false); }

// A file that is there but gave nothing: its settings would be lost by a save.
bool unreadable(settings::ReadError error) {
  return error != settings::ReadError::None && error != settings::ReadError::Missing;
}

}  // namespace

const std::string& Form2Model::readValue(Key key) { return val(key) = settings::readOption(host_.settings(), key); }

void Form2Model::loadControl(Control c) {
  const int number = whole(readValue(*controlInfo(c).key));
  if (controlInfo(c).kind == ControlKind::ComboBox)
    setListIndex(c, number);
  else
    setValue(c, number);
}

void Form2Model::Form_Load() {
  // Centred across and an eighth of the free height down; `\` in twips.
  const ScreenMetrics m = host_.metrics();
  const int top = static_cast<int>(roundHalfEven(static_cast<double>(m.screenHeight) - m.windowHeight)) / 8;
  const int left = static_cast<int>(roundHalfEven(static_cast<double>(m.screenWidth) - m.windowWidth)) / 2;
  host_.moveWindow(left, top);

  settings::SettingsStore& store = host_.settings();
  if (unreadable(store.readError())) host_.showMessage(readFailedMessage(store.path(), store.readError()));

  settings::PictureList pictures = settings::readPictureList(store);
  const auto count = static_cast<std::int64_t>(pictures.paths.size());
  setItems(C::List1, std::move(pictures.paths));
  setItems(C::photo_caption, std::move(pictures.captions));
  setText(C::Text3, numberToText(count));
  folders_.clear();
  for (std::string& path : settings::readFolderList(store)) folders_.push_back({std::move(path), std::nullopt});
  // With no picture listed, the first folder is selected: its first
  // picture is previewed once counted.
  showFolders(control(C::List1).items.empty() && !folders_.empty() ? 0 : -1);
  countMissing();

  loadControl(C::Random_select);
  colourDialog_ = colourOf(readValue(Key::newBackColor));
  setColour(C::Picture1, colourDialog_);
  loadControl(C::Combo1);
  const std::string placement = readValue(Key::picRandom);
  setValue(settings::isChoice(Key::picRandom, placement, settings::kCentred)   ? C::pCenter
           : settings::isChoice(Key::picRandom, placement, settings::kPanZoom) ? C::pZoom
                                                                               : C::pRandom,
           1);
  loadControl(C::Slider1);
  setValue(
      settings::isChoice(Key::picChange, readValue(Key::picChange), settings::kChangeAfter) ? C::aChange : C::nChange,
      1);
  // After the change buttons, so that the file's interval wins over the one
  // their reactions stored.
  setText(C::Text2, readValue(Key::timeInterval));
  setValue(C::changeVScroll1, whole(value(Key::timeInterval)));
  loadControl(C::TransitionsCbx);
  loadControl(C::RndTranCheck);

  // Both boxes get the saved password, so they agree until one is edited.
  const std::string password = readValue(Key::saverPassword);
  setText(C::SS_password, password);
  setText(C::SS_Confirm, password);

  const bool protectedOn = protectionOn(readValue(Key::saverEnabled));
  setValue(C::Password_enabled, protectedOn ? 1 : 0);
  for (auto box : {C::SS_password, C::SS_Confirm}) {
    setEnabled(box, protectedOn);
    setBack(box, protectedOn ? SysColor::Window : SysColor::ThreeDLight);
  }

  fontDialog_.name = readValue(Key::newFontName);
  fontDialog_.size = number(readValue(Key::newFontSize));
  fontDialog_.bold = truthOf(readValue(Key::newFontBold));
  fontDialog_.italic = truthOf(readValue(Key::newFontItalic));
  fontDialog_.underline = truthOf(readValue(Key::newFontUnderline));
  fontDialog_.strikethru = truthOf(readValue(Key::newFontFontStrikethru));
  fontDialog_.colour = colourOf(readValue(Key::newFontForeColor));
  setColour(C::Picture2, fontDialog_.colour);

  loadControl(C::PicFitCheck);
  loadControl(C::AllMonitorsCheck);
  loadControl(C::ShuffleCheck);
  setEnabled(C::ShuffleCheck, control(C::Random_select).value == 1);
  loadControl(C::AutoCaptionCbx);

  // Selecting the first picture previews it and shows its caption; a missing
  // file brings up its message before the dialog appears.
  if (!control(C::List1).items.empty()) setListIndex(C::List1, 0);

  // Said now rather than only when OK fails: a program folder the user
  // cannot write (Program Files) keeps every change from being saved.
  // A folder in the file's place was named already by the read's message.
  const auto error = store.checkWritable();
  const bool told = error == settings::SaveError::Folder && store.readError() == settings::ReadError::Folder;
  if (error != settings::SaveError::None && !told) host_.showMessage(cannotSaveMessage(store.path(), error));
}

bool Form2Model::settingsReadable() {
  settings::SettingsStore& store = host_.settings();
  if (!unreadable(store.readError())) return true;
  store.reload();
  // Gone meanwhile: nothing of it can be lost, so the user's choices go in.
  if (store.readError() == settings::ReadError::Missing) return true;
  if (unreadable(store.readError())) {
    host_.showMessage(readFailedMessage(store.path(), store.readError()));
    return false;
  }
  // Readable now: what it holds comes in, in place of the defaults and of
  // whatever the user changed, so that nothing of the file is lost.
  host_.showMessage(reloadedMessage(store.path()));
  Form_Load();
  return false;
}

void Form2Model::OK_Click() {
  settings::SettingsStore& store = host_.settings();
  if (!settingsReadable()) return;
  const ControlState& list = control(C::List1);
  // A folder is something to show too.
  if ((list.items.empty() || list.items.front().empty()) && folders_.empty()) {
    host_.showMessage(kNoImages);
    return;
  }
  const bool protectedOn = control(C::Password_enabled).value == 1;
  const std::string& password = value(Key::saverPassword);
  if (protectedOn && password.empty() && confirmPassword_.empty()) {
    host_.showMessage(kNoPassword);
    return;
  }
  if (protectedOn && password != confirmPassword_) {
    host_.showMessage(kPasswordsDiffer);
    return;
  }

  settings::writeAll(store, {list.items, control(C::photo_caption).items}, values_);
  settings::writeFolderList(store, folderPaths());
  // A failed save leaves the old file whole; say so and let the user retry.
  if (const auto error = store.save(); error != settings::SaveError::None) {
    host_.showMessage(saveFailedMessage(store.path(), error));
    return;
  }
  host_.unload();
}

void Form2Model::Cancel_Click() { host_.unload(); }

}  // namespace lumova::dialog
