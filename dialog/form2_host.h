// What the settings dialog's logic needs from the world around it: the
// settings store, pictures, message boxes and the window it lives in. The
// Win32 view implements it; tests use fakes.
#pragma once

#include <string>

#include "dialog/form2_controls.h"

namespace lumova {
class PictureLoader;
namespace settings { class SettingsStore; }
}  // namespace lumova

namespace lumova::dialog {

// Sizes in twips (1/1440 inch), as the dialog's placement and its thumbnail
// rules are written.
struct ScreenMetrics {
  int screenWidth = 0;
  int screenHeight = 0;
  int windowWidth = 0;   // the dialog's outer size
  int windowHeight = 0;
  int twipsPerPixelX = 15;
  int twipsPerPixelY = 15;
};

class Form2Host {
 public:
  virtual ~Form2Host() = default;

  // The settings file, read once when the store was made.
  virtual settings::SettingsStore& settings() = 0;
  virtual PictureLoader& pictures() = 0;

  // A modal message with the exclamation icon and an OK button, under the
  // application title. `text` is UTF-8.
  virtual void showMessage(const std::string& text) = 0;

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
