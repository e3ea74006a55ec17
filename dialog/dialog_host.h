// What the settings dialog's logic needs from the world around it: the
// settings store, pictures, message boxes and the window it lives in. The
// Win32 view implements it; tests use fakes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dialog/controls.h"

namespace lumova {
class PictureLoader;
namespace settings {
class SettingsStore;
}
}  // namespace lumova

namespace lumova::dialog {

// Sizes in twips (1/1440 inch), as the dialog's placement and its thumbnail
// rules are written, and the monitor's twips per pixel (15 at 96 DPI).
struct ScreenMetrics {
  int screenWidth = 0;
  int screenHeight = 0;
  int windowWidth = 0;  // the dialog's outer size
  int windowHeight = 0;
  double twipsPerPixelX = 15;
  double twipsPerPixelY = 15;
};

// A caption font as the font dialog shows and returns it.
struct FontChoice {
  std::string name;
  double size = 0;  // points; may carry a fraction
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethru = false;
  std::uint32_t colour = 0;  // RGB value, red in the low byte
};

// The system's file-open dialog: existing files only, several at once, no
// read-only box. `filter` holds description and pattern
// pairs separated by "|"; `filterIndex` counts the pairs from 1.
struct OpenFileRequest {
  std::string filter;
  int filterIndex = 1;
  std::string title;
};

// The system's folder picker.
struct FolderRequest {
  std::string title;
};

// The system's font dialog, opening on `initial`: screen fonts, with colour,
// underline and strikeout, sizes from minSize to maxSize.
struct FontRequest {
  FontChoice initial;
  int minSize = 0;  // points
  int maxSize = 0;
};

// The system's colour dialog, opening with `initial` selected.
struct ColourRequest {
  std::uint32_t initial = 0;
};

class DialogHost {
 public:
  virtual ~DialogHost() = default;

  // The settings file, read once when the store was made.
  virtual settings::SettingsStore& settings() = 0;
  virtual PictureLoader& pictures() = 0;
  // The extensions of every picture type the computer opens, for the
  // file-open dialog's "All pictures"; none where that is not known.
  virtual std::vector<std::string> pictureExtensions() { return {}; }
  // Counts the pictures of `folders` off the dialog's thread, in place of a
  // count in progress; each result comes back through
  // SettingsDialog::folderCounted on the dialog's thread.
  virtual void countFolders(const std::vector<std::string>& folders) {}
  // The status bar's notice; empty: the usual one.
  virtual void showNotice(const std::string& text) {}

  // A modal message with the exclamation icon and an OK button, under the
  // application title. `text` is UTF-8.
  virtual void showMessage(const std::string& text) = 0;
  // The same with Yes and No buttons; true for Yes.
  virtual bool askYesNo(const std::string& text) = 0;

  // The modal common dialogs; nothing when the user cancels. Paths are
  // UTF-8, as the whole program keeps its text. The file-open dialog gives
  // every file picked, in the order the dialog lists them.
  virtual std::vector<std::string> openFiles(const OpenFileRequest& request) = 0;
  virtual std::optional<std::string> chooseFolder(const FolderRequest& request) = 0;
  virtual std::optional<FontChoice> chooseFont(const FontRequest& request) = 0;
  virtual std::optional<std::uint32_t> chooseColour(const ColourRequest& request) = 0;

  virtual ScreenMetrics metrics() = 0;
  virtual void moveWindow(int leftTwips, int topTwips) = 0;

  // Closes the dialog; the run ends when no window is left.
  virtual void unload() = 0;

  // The state of `c` changed (value, text, items, enabling, colour or the
  // thumbnail): the view mirrors it.
  virtual void controlChanged(Control c) {}
  // A change or click reaction of `c` is about to run.
  virtual void reactionRaised(Control c) {}
};

}  // namespace lumova::dialog
