#include "dialog/form2_model.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdio>
#include <unordered_set>
#include <utility>

#include "common/module1.h"
#include "common/textnum.h"
#include "common/utf.h"
#include "dialog/folder_scan.h"
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
constexpr std::array<std::string_view, 8> kTransitions{"Standard",          "Left wipe",      "Right wipe",
                                                       "Right & Left wipe", "Up & down wipe", "Center wipe",
                                                       "Horizontal blinds", "Vertical blinds"};

template <std::size_t N>
std::vector<std::string> listItems(Control c, const std::array<std::string_view, N>& texts) {
  [[maybe_unused]] const settings::Range range = controlRange(c);
  assert(range.low == 0 && range.high + 1 == static_cast<int>(N));
  return {texts.begin(), texts.end()};
}

constexpr int kDesktop = 1;  // Combo1's item for the desktop snapshot

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

}  // namespace

const ControlInfo& controlInfo(Control c) { return entry(c).info; }

settings::Range controlRange(Control c) {
  const auto& key = controlInfo(c).key;
  return key ? settings::keyInfo(*key).range : settings::Range{};
}

Thumbnail fitThumbnail(PicturePtr picture, int width, int height) {
  if (width >= kThumbnailWidth || height >= kThumbnailHeight) {
    do {
      width = static_cast<int>(roundHalfEven(width * 0.9));
      height = static_cast<int>(roundHalfEven(height * 0.9));
    } while (width > kThumbnailWidth - 1 || height > kThumbnailHeight - 1);
  }
  return {std::move(picture), width, height};
}

std::string commonDialogFilter(std::string_view pipeSeparated) {
  std::string out(pipeSeparated);
  std::replace(out.begin(), out.end(), '|', '\0');
  out.push_back('\0');
  return out;
}

std::vector<std::string> splitOpenSelection(std::string_view buffer) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < buffer.size()) {
    const std::size_t end = std::min(buffer.find('\0', start), buffer.size());
    if (end == start) break;  // the empty name after the last one
    parts.emplace_back(buffer.substr(start, end - start));
    start = end + 1;
  }
  if (parts.size() <= 1) return parts;
  std::vector<std::string> paths;
  paths.reserve(parts.size() - 1);
  for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(joinPath(parts[0], parts[i]));
  return paths;
}

std::string listFullMessage(std::size_t leftOut) {
  return "The list holds at most 32767 pictures. " + numberToText(static_cast<std::int64_t>(leftOut)) +
         (leftOut == 1 ? " picture of this folder was" : " pictures of this folder were") + " left out.";
}

std::string longPathsMessage(std::size_t leftOut) {
  return numberToText(static_cast<std::int64_t>(leftOut)) + (leftOut == 1 ? " picture was" : " pictures were") +
         " left out: their paths are longer than the 254 characters the settings file can keep.";
}

std::string fontSizeText(double points) {
  // Seven significant digits are what a single-precision value holds; more
  // would show the binary fraction (10.1 as 10.10000038).
  char buffer[32];
  const double single = static_cast<float>(points);
  std::snprintf(buffer, sizeof buffer, "%.7g", single);
  const std::string text = buffer;
  return text.find_first_of("eEni") == std::string::npos ? text : numberToText(single);
}

std::string saveFailedMessage(const std::string& path, settings::SaveError error) {
  const char* reason = "";
  switch (error) {
    case settings::SaveError::CannotCreateTemp:
      reason = "The folder cannot be written to.";
      break;
    case settings::SaveError::WriteFailed:
      reason = "Writing the new file failed.";
      break;
    case settings::SaveError::FlushFailed:
      reason = "The new file could not be written to the disk.";
      break;
    case settings::SaveError::ReplaceFailed:
      reason = "The old file could not be replaced.";
      break;
    case settings::SaveError::None:
      break;
  }
  return "The settings could not be saved to\r\n" + path + "\r\n\r\n" + reason +
         " The file is unchanged; your choices are still in the dialog.";
}

std::string cannotSaveMessage(const std::string& path, settings::SaveError error) {
  const char* reason =
      error == settings::SaveError::ReplaceFailed ? "The file is read-only." : "The folder cannot be written to.";
  return "The settings cannot be saved to\r\n" + path + "\r\n\r\n" + reason +
         " You can look at them here, but OK will not be able to save them.";
}

std::string readFailedMessage(const std::string& path, settings::ReadError error) {
  const char* reason = "The file could not be read.";
  if (error == settings::ReadError::InUse) reason = "Another program is using the file.";
  if (error == settings::ReadError::Folder) reason = "A folder has the file's name.";
  return "The settings could not be read from\r\n" + path + "\r\n\r\n" + reason +
         " The dialog shows the defaults, and OK will not replace the file until it can be read.";
}

std::string pathTooLongMessage(const std::string& path) {
  return "This picture's path is longer than 254 characters, more than the settings file can keep:\r\n" + path +
         "\r\n\r\nMove the picture to a folder with a shorter path and add it again.";
}

Form2Model::Form2Model(Form2Host& host) : host_(host) {
  for (auto c : {C::List1, C::photo_caption, C::Combo1, C::TransitionsCbx}) state(c).value = -1;
  state(C::Combo1).items = listItems(C::Combo1, kBackgrounds);
  state(C::TransitionsCbx).items = listItems(C::TransitionsCbx, kTransitions);
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
  if (store.readError() != settings::ReadError::None && store.readError() != settings::ReadError::Missing)
    host_.showMessage(readFailedMessage(store.path(), store.readError()));

  settings::PictureList pictures = settings::readPictureList(store);
  const auto count = static_cast<std::int64_t>(pictures.paths.size());
  setItems(C::List1, std::move(pictures.paths));
  setItems(C::photo_caption, std::move(pictures.captions));
  setText(C::Text3, numberToText(count));

  loadControl(C::Random_select);
  colourDialog_ = colourOf(readValue(Key::newBackColor));
  setColour(C::Picture1, colourDialog_);
  loadControl(C::Combo1);
  setValue(settings::isChoice(Key::picRandom, readValue(Key::picRandom), settings::kCentred) ? C::pCenter : C::pRandom,
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

  // Selecting the first picture previews it and shows its caption; a missing
  // file brings up its message before the dialog appears.
  if (!control(C::List1).items.empty()) setListIndex(C::List1, 0);

  // Said now rather than only when OK fails: a program folder the user
  // cannot write (Program Files) keeps every change from being saved.
  if (const auto error = store.checkWritable(); error != settings::SaveError::None)
    host_.showMessage(cannotSaveMessage(store.path(), error));
}

bool Form2Model::settingsReadable() {
  settings::SettingsStore& store = host_.settings();
  const auto unreadable = [&] {
    return store.readError() != settings::ReadError::None && store.readError() != settings::ReadError::Missing;
  };
  if (!unreadable()) return true;
  store.reload();
  if (unreadable()) {
    host_.showMessage(readFailedMessage(store.path(), store.readError()));
    return false;
  }
  // Readable now: what it holds comes in, in place of the defaults.
  host_.showMessage("The settings can be read now:\r\n" + store.path() +
                    "\r\n\r\nThe dialog shows them; check your choices and press OK again.");
  Form_Load();
  return false;
}

void Form2Model::OK_Click() {
  settings::SettingsStore& store = host_.settings();
  if (!settingsReadable()) return;
  const ControlState& list = control(C::List1);
  if (list.items.empty() || list.items.front().empty()) {
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
  // A failed save leaves the old file whole; say so and let the user retry.
  if (const auto error = store.save(); error != settings::SaveError::None) {
    host_.showMessage(saveFailedMessage(store.path(), error));
    return;
  }
  host_.unload();
}

void Form2Model::Cancel_Click() { host_.unload(); }

void Form2Model::textTooLong(Control c) {
  if (c == C::p_caption) host_.showMessage(kCaptionTooLong);
  if (c == C::SS_password || c == C::SS_Confirm) host_.showMessage(kPasswordTooLong);
}

void Form2Model::showCount() {
  setText(C::Text3, numberToText(static_cast<std::int64_t>(control(C::List1).items.size())));
}

void Form2Model::appendPictures(std::vector<std::string> paths, int select) {
  auto& list = state(C::List1).items;
  auto& captions = state(C::photo_caption).items;
  list.insert(list.end(), std::make_move_iterator(paths.begin()), std::make_move_iterator(paths.end()));
  changed(C::List1);
  captions.resize(list.size());
  changed(C::photo_caption);
  setListIndex(C::List1, select);
  showCount();
}

void Form2Model::add_Click() {
  const std::vector<std::string> chosen = host_.openFiles({kPictureFilter, 1, kOpenTitle, kOpenFlags});
  if (chosen.empty()) {
    host_.showMessage(kNoFileSelected);
    return;
  }
  std::vector<std::string> paths;
  for (const std::string& path : chosen) {
    if (utf16Length(path) > kMaxTextLength)
      host_.showMessage(pathTooLongMessage(path));
    else
      paths.push_back(path);
  }
  if (paths.empty()) return;
  // Duplicates are allowed: each occurrence has its own caption. Of several
  // files only the last is loaded, as the one that ends up selected.
  const std::string last = paths.back();
  const int lastIndex = static_cast<int>(control(C::List1).items.size() + paths.size()) - 1;
  appendPictures(std::move(paths), lastIndex);

  // The selection has just loaded this file; only when that failed is it
  // read again. An entry that cannot be shown stays, with a blank preview.
  clearThumbnail();
  if (photoPath_ != last) {
    // A file that cannot be loaded leaves photo with the last picture that
    // did; the preview stays blank.
    PicturePtr loaded = host_.pictures().load(last).picture;
    if (!loaded) {
      host_.showMessage(kNoFileSelected);
      return;
    }
    photo_ = std::move(loaded);
    photoPath_ = last;
  }
  if (!measurePhoto() || !drawThumbnail()) host_.showMessage(kNoFileSelected);
}

void Form2Model::addFolder_Click() {
  const auto folder = host_.chooseFolder({kFolderTitle});
  if (!folder) return;
  const FolderScan scan = scanPictures(host_.folders(), *folder, filterExtensions(kPictureFilter));
  if (scan.pictures.empty()) {
    host_.showMessage(std::string(kNoPicturesFound) + "\r\n" + *folder);
    return;
  }

  const auto& list = control(C::List1).items;
  std::unordered_set<std::u16string> listed;
  listed.reserve(list.size() + scan.pictures.size());
  for (const std::string& path : list) listed.insert(pathKey(path));
  const std::size_t room = list.size() < settings::kMaxPictures ? settings::kMaxPictures - list.size() : 0;
  std::vector<std::string> fresh;
  std::size_t tooLong = 0;
  std::size_t leftOut = 0;
  for (const std::string& path : scan.pictures) {
    if (!listed.insert(pathKey(path)).second) continue;
    if (utf16Length(path) > kMaxTextLength)
      ++tooLong;
    else if (fresh.size() < room)
      fresh.push_back(path);
    else
      ++leftOut;
  }

  if (!fresh.empty()) {
    // The first new entry is selected, which loads and shows it: the only
    // picture of the folder that is decoded.
    const int first = static_cast<int>(list.size());
    const std::string firstPath = fresh.front();
    appendPictures(std::move(fresh), first);
    // As after "Add": an entry that cannot be shown leaves the preview blank.
    if (photoPath_ != firstPath) clearThumbnail();
  } else if (leftOut == 0 && tooLong == 0) {
    host_.showMessage(std::string(kAllPicturesListed) + "\r\n" + *folder);
  }
  if (tooLong != 0) host_.showMessage(longPathsMessage(tooLong));
  if (leftOut != 0) host_.showMessage(listFullMessage(leftOut));
}

void Form2Model::List1_Click() {
  // Each step runs even when an earlier one failed; one message at the end.
  bool failed = false;
  const int selected = control(C::List1).value;
  const bool hasEntry = selected >= 0 && selected < static_cast<int>(control(C::List1).items.size());

  photoPath_.clear();
  if (hasEntry) {
    const std::string& path = control(C::List1).items[static_cast<std::size_t>(selected)];
    PictureLoad load = host_.pictures().load(path);
    if (load) {
      photo_ = std::move(load.picture);
      photoPath_ = path;
    } else {
      failed = true;  // photo keeps what it held
    }
  } else {
    failed = true;
  }

  const auto& captions = control(C::photo_caption).items;
  if (selected >= 0 && selected < static_cast<int>(captions.size())) {
    const std::string caption = captions[static_cast<std::size_t>(selected)];
    setText(C::p_caption, caption);
  } else {
    failed = true;
  }

  clearThumbnail();
  if (!measurePhoto()) failed = true;
  if (!drawThumbnail()) failed = true;

  if (failed) host_.showMessage(kImageNotFound);
}

// picWidth and picHeight: the held picture's size in twips, whole numbers.
bool Form2Model::measurePhoto() {
  if (!photo_) return false;
  const ScreenMetrics m = host_.metrics();
  const auto w = toInt32(static_cast<double>(photo_->width()) * m.twipsPerPixelX);
  const auto h = toInt32(static_cast<double>(photo_->height()) * m.twipsPerPixelY);
  if (!w || !h) return false;
  picWidth_ = *w;
  picHeight_ = *h;
  return true;
}

bool Form2Model::drawThumbnail() {
  if (!photo_) return false;
  Thumbnail fitted = fitThumbnail(photo_, picWidth_, picHeight_);
  picWidth_ = fitted.width;
  picHeight_ = fitted.height;
  thumbnail_ = std::move(fitted);
  changed(C::photo1);
  return true;
}

void Form2Model::p_caption_Change() {
  const std::string text = control(C::p_caption).text;
  const ControlState& list = control(C::List1);
  if (text.empty() && list.value < 0) return;
  if (list.items.empty()) {
    host_.showMessage(kLoadImageFirst);
    setText(C::p_caption, "");
    return;
  }
  // With entries but none selected the caption has nowhere to go.
  auto& captions = state(C::photo_caption).items;
  if (list.value < 0 || list.value >= static_cast<int>(captions.size())) return;
  auto& caption = captions[static_cast<std::size_t>(list.value)];
  if (caption == text) return;
  caption = text;
  changed(C::photo_caption);
}

void Form2Model::remove_Click() {
  const int selected = control(C::List1).value;
  const auto& items = control(C::List1).items;
  if (items.empty() || items.front().empty()) {
    host_.showMessage(kNothingToRemove);
    return;
  }
  clearThumbnail();
  if (selected < 0 || selected >= static_cast<int>(items.size())) {
    host_.showMessage(kNothingToRemove);
    return;
  }
  removeItem(C::List1, selected);
  removeItem(C::photo_caption, selected);
  if (control(C::List1).items.empty())
    setText(C::p_caption, "");
  else
    setListIndex(C::List1, selected == 0 ? 0 : selected - 1);
  showCount();
}

void Form2Model::RemoveAll_Click() {
  if (!host_.askYesNo(kRemoveAllQuestion)) return;
  setItems(C::List1, {});
  clearThumbnail();
  setItems(C::photo_caption, {});
  setText(C::p_caption, "");
  setText(C::Text3, "0");
}

void Form2Model::caption_clear_Click() {
  setText(C::p_caption, "");
  const int selected = control(C::List1).value;
  auto& captions = state(C::photo_caption).items;
  if (selected < 0 || selected >= static_cast<int>(captions.size())) return;
  auto& caption = captions[static_cast<std::size_t>(selected)];
  if (caption.empty()) return;
  caption.clear();
  changed(C::photo_caption);
}

void Form2Model::font_Click() {
  const settings::Range sizes = settings::keyInfo(Key::newFontSize).range;
  const auto chosen = host_.chooseFont({fontDialog_, kFontFlags, sizes.low, sizes.high});
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
  const auto chosen = host_.chooseColour({colourDialog_, kColourFlags});
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

void Form2Model::Random_select_Click() { val(Key::randomPick) = numberToText(control(C::Random_select).value); }

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
