#include "dialog/settings_dialog.h"

#include <algorithm>

#include "common/protection.h"
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

// The controls that show an option, in the order start-up sets them from the
// file: a reaction may change a control set before it (Never clears random
// order), never one set after it. An option button stands for its frame.
constexpr Control kLoadOrder[] = {
    C::randomOrderCheck,  C::backColourSwatch,   C::backgroundChoice, C::centredOption,          C::floatSpeed,
    C::changeAfterOption, C::intervalSpin,       C::transitionChoice, C::randomTransitionsCheck, C::passwordText,
    C::confirmText,       C::protectionCheck,    C::fontColourSwatch, C::fitPicturesCheck,       C::allMonitorsCheck,
    C::shuffleCheck,      C::autoCaptionChoice,  C::keysSteerCheck,   C::stillOnBatteryCheck,    C::clockChoice,
    C::blurFillCheck,     C::pairPortraitsCheck, C::useGpuCheck,
};

// The option of `c`'s frame that `text` names; the frame's choice 1 (Float,
// Never) for any other text.
Control optionNamed(Control c, const std::string& text) {
  Control other = c;
  for (std::size_t i = 0; i < kControlCount; ++i) {
    const ControlInfo& o = controlInfo(static_cast<Control>(i));
    if (o.kind != ControlKind::OptionButton || o.group != controlInfo(c).group) continue;
    if (settings::isChoice(*o.key, text, o.choice)) return o.id;
    if (o.choice == 1) other = o.id;
  }
  return other;
}

}  // namespace

const std::string& SettingsDialog::readValue(Key key) { return val(key) = settings::readOption(host_.settings(), key); }

void SettingsDialog::loadControl(Control c) {
  const ControlInfo& info = controlInfo(c);
  const std::string text = readValue(*info.key);
  switch (info.kind) {
    case ControlKind::ComboBox:
      setListIndex(c, whole(text));
      return;
    case ControlKind::OptionButton:
      setValue(optionNamed(c, text), 1);
      return;
    case ControlKind::TextBox:
      setText(c, text);
      return;
    case ControlKind::Swatch:
      setColour(c, colourOf(text));
      return;
    case ControlKind::ScrollBar:
      // After the change buttons, so that the file's interval wins over the
      // one their reactions stored; the box shows it as the file has it.
      setText(C::intervalSeconds, text);
      setValue(c, whole(text));
      return;
    default:
      // Protection is on for exactly 1 only and the graphics card off for
      // exactly 0 only, where the other boxes round.
      if (c == C::protectionCheck)
        setValue(c, protectionOn(text) ? 1 : 0);
      else if (c == C::useGpuCheck)
        setValue(c, settings::graphicsCardAllowed(text) ? 1 : 0);
      else
        setValue(c, whole(text));
      return;
  }
}

void SettingsDialog::placeWindow() {
  // Centred across and an eighth of the free height down; `\` in twips.
  const ScreenMetrics m = host_.metrics();
  const int top = static_cast<int>(roundHalfEven(static_cast<double>(m.screenHeight) - m.windowHeight)) / 8;
  const int left = static_cast<int>(roundHalfEven(static_cast<double>(m.screenWidth) - m.windowWidth)) / 2;
  host_.moveWindow(left, top);
}

void SettingsDialog::loadLists() {
  settings::SettingsStore& store = host_.settings();
  settings::PictureList pictures = settings::readPictureList(store);
  const auto count = static_cast<std::int64_t>(pictures.paths.size());
  setItems(C::pictureList, std::move(pictures.paths));
  setItems(C::captionList, std::move(pictures.captions));
  setText(C::pictureCount, numberToText(count));
  folders_.clear();
  for (std::string& path : settings::readFolderList(store)) folders_.push_back({std::move(path), std::nullopt});
  // With no picture listed, the first folder is selected: its first
  // picture is previewed once counted.
  showFolders(control(C::pictureList).items.empty() && !folders_.empty() ? 0 : -1);
  countMissing();
  hidden_ = saver::HiddenPictures::read(store.files(), saver::hiddenListBeside(store.path()));
  showHidden();
}

void SettingsDialog::loadFontChoice() {
  fontDialog_.name = readValue(Key::newFontName);
  fontDialog_.size = number(readValue(Key::newFontSize));
  fontDialog_.bold = truthOf(readValue(Key::newFontBold));
  fontDialog_.italic = truthOf(readValue(Key::newFontItalic));
  fontDialog_.underline = truthOf(readValue(Key::newFontUnderline));
  fontDialog_.strikethru = truthOf(readValue(Key::newFontFontStrikethru));
  fontDialog_.colour = control(C::fontColourSwatch).colour;
}

void SettingsDialog::load() {
  placeWindow();
  settings::SettingsStore& store = host_.settings();
  if (unreadable(store.readError())) host_.showMessage(readFailedMessage(store.path(), store.readError()));
  loadLists();
  for (Control c : kLoadOrder) loadControl(c);
  // The colour and font dialogs open on what the file holds.
  colourDialog_ = control(C::backColourSwatch).colour;
  loadFontChoice();
  // Enabling that the reactions set only when a value differs from the one
  // the control starts with.
  showProtection(control(C::protectionCheck).value == 1);
  setEnabled(C::shuffleCheck, control(C::randomOrderCheck).value == 1);

  // Selecting the first picture previews it and shows its caption; a missing
  // file brings up its message before the dialog appears.
  if (!control(C::pictureList).items.empty()) setListIndex(C::pictureList, 0);

  // Said now rather than only when OK fails: a program folder the user
  // cannot write (Program Files) keeps every change from being saved.
  // A folder in the file's place was named already by the read's message.
  const auto error = store.checkWritable();
  const bool told = error == settings::SaveError::Folder && store.readError() == settings::ReadError::Folder;
  if (error != settings::SaveError::None && !told) host_.showMessage(cannotSaveMessage(store.path(), error));
}

bool SettingsDialog::settingsReadable() {
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
  load();
  return false;
}

void SettingsDialog::onOk() {
  settings::SettingsStore& store = host_.settings();
  if (!settingsReadable()) return;
  const ControlState& list = control(C::pictureList);
  // A folder is something to show too.
  if ((list.items.empty() || list.items.front().empty()) && folders_.empty()) {
    host_.showMessage(kNoImages);
    return;
  }
  const bool protectedOn = control(C::protectionCheck).value == 1;
  const std::string& password = value(Key::saverPassword);
  if (protectedOn && password.empty() && confirmPassword_.empty()) {
    host_.showMessage(kNoPassword);
    return;
  }
  if (protectedOn && password != confirmPassword_) {
    host_.showMessage(kPasswordsDiffer);
    return;
  }

  settings::writeAll(store, {list.items, control(C::captionList).items}, values_);
  settings::writeFolderList(store, folderPaths());
  // A failed save leaves the old file whole; say so and let the user retry.
  if (const auto error = store.save(); error != settings::SaveError::None) {
    host_.showMessage(saveFailedMessage(store.path(), error));
    return;
  }
  host_.unload();
}

void SettingsDialog::onCancel() { host_.unload(); }

}  // namespace lumova::dialog
