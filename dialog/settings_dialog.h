// The settings dialog without a window: its controls' state, its
// setting values (text, as the file holds them) and its event handlers.
//
// Setting a control's value, text or selection through this class raises the
// control's change reaction whenever the new value differs, whether the code
// or the user (through the view) set it. Start-up relies on that: it sets
// every control from the file and lets the reactions store the values and
// enable the dependent controls.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/picture.h"
#include "dialog/controls.h"
#include "dialog/dialog_host.h"
#include "saver/hidden_pictures.h"
#include "settings/file_store.h"
#include "settings/settings_keys.h"

namespace lumova::dialog {

// The thumbnail box is 3375 x 1815 twips.
inline constexpr int kThumbnailWidth = 3375;
inline constexpr int kThumbnailHeight = 1815;

inline constexpr const char* kImageNotFound = "Image file not found.\r\nYou need to reload a new one.";
inline constexpr const char* kNoImages = "You need to load at least one image file.";
inline constexpr const char* kNoPassword = "You must enter a 'Password' or uncheck 'Password Protection'.";
inline constexpr const char* kPasswordsDiffer = "The 'Password' and 'Confirm' entries must be the same.";
inline constexpr const char* kNothingToRemove = "Nothing was selected to remove.";
inline constexpr const char* kLoadImageFirst = "An image must be loaded first.";
inline constexpr const char* kNoFileSelected = "No file has been selected.";
inline constexpr const char* kRemoveAllQuestion = "Do you really want to remove all loaded images?";
// The pictures the saver's H key hid for good, and the question before they
// come back.
std::string hiddenCountText(std::size_t count);
std::string showHiddenQuestion(std::size_t count);
// Said when the list of hidden pictures cannot be emptied.
std::string hiddenNotEmptiedMessage(const std::string& path, settings::SaveError error);

// The file-open dialog of "Add": the picture types, the first pair shown;
// the file must exist and the read-only box is hidden.
inline constexpr const char* kPictureFilter =
    "Image files (*.gif;*.jpg;*.bmp)|*.gif;*.jpg;*.bmp|CompuServe Files (*.gif)|*.gif|Jpeg Files (*.jpg)|*.jpg|"
    "Jif files (*.jif)|*.jif|Windows Bitmap Files (*.bmp)|*.bmp|Windows DIB files (*.dib)|*.dib";
inline constexpr const char* kOpenTitle = "Select a file to open";

// "Add Folder...": the folder picker's title, and what is said of a folder
// already listed or one whose path the settings file cannot keep.
inline constexpr const char* kFolderTitle = "Select a folder of pictures";
inline constexpr const char* kFolderListed = "This folder is already in the list:";
inline constexpr const char* kFolderPathTooLong =
    "This folder's path is longer than 254 characters, more than the settings file can keep:";

// What a count of a folder's pictures found.
struct FolderCount {
  std::size_t pictures = 0;
  std::string first;     // the first picture in path order, empty if none
  bool readable = true;  // false: missing, a file, or not readable
  // Files of each format of unopenedFormats() that no installed decoder opens.
  std::vector<std::size_t> unopened;
};

// An entry of the folder list: the path and, once counted, what the count
// found ("C:\Photos  (1,234 pictures; 56 HEIC files need the HEIF Image
// Extensions)", "(cannot be read)").
std::string folderEntryText(const std::string& path, const std::optional<FolderCount>& count);

// What the thumbnail box shows: the held picture drawn at (0, 0) at this size in twips.
struct Thumbnail {
  PicturePtr picture;
  int width = 0;
  int height = 0;
};

// Fits a picture of `width` x `height` twips into the thumbnail box: unchanged when it
// fits, otherwise shrunk by 0.9 per step until it does.
Thumbnail fitThumbnail(PicturePtr picture, int width, int height);

// A "|"-separated filter list in the form the common dialogs take: every
// "|" a NUL, and a second NUL after the last pattern (the string's own
// terminator makes the third).
std::string commonDialogFilter(std::string_view pipeSeparated);

// The files a multiple-selection file-open dialog returned: its buffer up
// to the empty name that ends it. One name alone is the full path; several
// are the folder, then the names in it.
std::vector<std::string> splitOpenSelection(std::string_view buffer);

// What "Add" says when the list is full: how many were left out.
std::string listFullMessage(std::size_t leftOut);
// How many more entries the list takes, by the settings file's count limit.
std::size_t roomInList(std::size_t listed);

// A font size as the file keeps it: the single-precision value as decimal
// text, "12" or "10.5".
std::string fontSizeText(double points);

// The message shown when the settings file cannot be written.
std::string saveFailedMessage(const std::string& path, settings::SaveError error);
// The same, said when the dialog opens and finds the file cannot be saved.
std::string cannotSaveMessage(const std::string& path, settings::SaveError error);
// The message shown when the settings file exists but cannot be read.
std::string readFailedMessage(const std::string& path, settings::ReadError error);
// Said by OK when a file unreadable until then could be read: the dialog
// shows what it holds now, in place of the user's changes.
std::string reloadedMessage(const std::string& path);
// What a picture path longer than the settings file can give back is told.
std::string pathTooLongMessage(const std::string& path);
// The limit on a caption, a password, and a picture path, in UTF-16 units:
// what a read of the settings file gives back.
inline constexpr std::size_t kMaxTextLength = 254;
inline constexpr const char* kCaptionTooLong = "A caption can be at most 254 characters long.";
inline constexpr const char* kPasswordTooLong = "A password can be at most 254 characters long.";

class SettingsDialog {
 public:
  explicit SettingsDialog(DialogHost& host);

  // Places the window and fills every control from the settings file.
  void load();

  // Checks the entries, saves and unloads; or shows why not and stays.
  void onOk();
  // Unloads without writing; closing the window by its frame does the same.
  void onCancel();
  // A push button was pressed.
  void click(Control c);

  // Setting a control, by code or for the user. Each raises the control's
  // reaction when the value differs; values out of a control's range are
  // brought into it (sliders, scroll bars, check boxes) or ignored (a list
  // index that names no item).
  void setValue(Control c, int value);
  void setText(Control c, const std::string& text);
  void setListIndex(Control c, int index);
  // The user tried to type or paste beyond kMaxTextLength into a text box.
  void textTooLong(Control c);

  const ControlState& control(Control c) const { return controls_[index(c)]; }
  const std::string& value(settings::Key key) const { return settings::at(values_, key); }
  const settings::OptionValues& values() const { return values_; }
  const std::string& confirmPassword() const { return confirmPassword_; }
  const std::optional<Thumbnail>& thumbnail() const { return thumbnail_; }
  const PicturePtr& loadedPicture() const { return loadedPicture_; }
  std::int32_t picWidth() const { return picWidth_; }
  std::int32_t picHeight() const { return picHeight_; }

  // "Image Files" tab.
  void onAddPictures();
  void onAddFolder();
  void onFolderSelected();
  void onRemoveFolder();
  // A count asked for through DialogHost::countFolders has ended.
  void folderCounted(const std::string& path, const FolderCount& count);
  // The folders listed, in order.
  std::vector<std::string> folderPaths() const;
  void onRemovePicture();
  void onRemoveAllPictures();
  void onPictureSelected();
  void onCaptionChanged();
  void onClearCaption();
  void onChooseFont();

  // Display options.
  void onChooseBackColour();
  void onBackgroundChosen();
  void onCentredChosen();
  void onFloatingChosen();
  void onPanZoomChosen();
  void onFloatSpeedChanged();
  void onChangeAfterChosen();
  void onChangeNeverChosen();
  void onIntervalChanged();
  void onRandomOrderToggled();
  void onTransitionChosen();
  void onRandomTransitionsToggled();
  void onFitPicturesToggled();
  void onAllMonitorsToggled();
  void onShuffleToggled();
  void onAutoCaptionChosen();
  void onKeysSteerToggled();
  void onShowHiddenAgain();
  void onStillOnBatteryToggled();
  void onUseGpuToggled();
  void onClockChosen();
  void onBlurFillToggled();
  void onPairPortraitsToggled();
  void onProtectionToggled();
  void onPasswordChanged();
  void onConfirmChanged();

 private:
  static std::size_t index(Control c) { return static_cast<std::size_t>(c); }
  ControlState& state(Control c) { return controls_[index(c)]; }
  std::string& val(settings::Key key) { return settings::at(values_, key); }

  void raise(Control c);
  // Start-up, in steps (load_save.cpp).
  void placeWindow();
  // `key` read from the file into the values, and returned.
  const std::string& readValue(settings::Key key);
  // The picture, caption and folder lists from the file.
  void loadLists();
  // `c` set to the value of the option it shows.
  void loadControl(Control c);
  // The font dialog's first choice, from the file's font keys.
  void loadFontChoice();
  // The password boxes usable, and coloured so, when protection is on
  // (options.cpp, beside the reaction that uses it too).
  void showProtection(bool on);
  void changed(Control c) { host_.controlChanged(c); }
  void setEnabled(Control c, bool enabled);
  void setVisible(Control c, bool visible);
  // "Hidden pictures: N" and its button, while there are any.
  void showHidden();
  void setBack(Control c, SysColor colour);
  void setColour(Control c, std::uint32_t colour);
  void setItems(Control c, std::vector<std::string> items);
  void removeItem(Control c, int i);
  void clearThumbnail();
  bool measurePicture();
  // The settings file could not be read: the defaults are shown, and the
  // file must not be replaced by them. True when it can be read now.
  bool settingsReadable();
  bool drawThumbnail();
  void showCount();
  // Appends the paths with empty captions and selects entry `select`.
  void appendPictures(std::vector<std::string> paths, int select);
  // The folder list's entries from folders_, and the counts still missing asked for.
  void showFolders(int select);
  void countMissing();
  // The thumbnail box shows `path`'s picture, or nothing when it cannot be loaded.
  void previewFile(const std::string& path);

  DialogHost& host_;
  std::array<ControlState, kControlCount> controls_;
  settings::OptionValues values_{};
  std::string confirmPassword_;
  PicturePtr loadedPicture_;  // the picture last loaded, at full size
  // The path a selection loaded loadedPicture_ from just now, so that "Add"
  // need not decode the same file twice; empty when that load failed.
  std::string loadedPath_;
  std::optional<Thumbnail> thumbnail_;
  struct ListedFolder {
    std::string path;
    std::optional<FolderCount> count;
  };
  std::vector<ListedFolder> folders_;
  std::int32_t picWidth_ = 0;
  std::int32_t picHeight_ = 0;
  FontChoice fontDialog_;
  std::uint32_t colourDialog_ = 0;
  saver::HiddenPictures hidden_;  // zbfaone.hidden, beside the settings
};

}  // namespace lumova::dialog
