// The settings dialog's controls as the logic sees them: what each one is
// and the state it holds. The table behind controlInfo() sits with the
// reactions it names, in settings_dialog.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_keys.h"

namespace lumova::dialog {

// Controls whose state the logic reads or changes. Static labels that never
// change are left to the view.
enum class Control : std::uint8_t {
  // "Image Files"
  pictureList,
  captionList,   // hidden: the captions, item for item with pictureList
  pictureCount,  // "Total"
  addButton,
  addFolderButton,
  folderList,  // "Folders:", the folders whose pictures the saver shows
  removeFolderButton,
  removeButton,
  removeAllButton,
  captionText,
  clearCaptionButton,
  fontButton,
  fontColourSwatch,
  thumbnailBox,
  // "Background/Transitions"
  backgroundChoice,
  backColourButton,
  backColourSwatch,
  centredOption,
  floatingOption,
  panZoomOption,  // "Pan and zoom"
  floatSpeed,
  floatSpeedLabel,  // "Float Speed"
  changeAfterOption,
  changeNeverOption,
  intervalSeconds,  // the interval box, beside its spin control
  intervalSpin,
  secondsLabel,  // "Seconds"
  randomOrderCheck,
  transitionChoice,
  randomTransitionsCheck,
  fitPicturesCheck,
  allMonitorsCheck,
  // "Password Protection"
  protectionCheck,
  passwordText,
  confirmText,
  // below the tabs
  okButton,
  cancelButton,
  // Added later, on the tabs above.
  shuffleCheck,         // "Background/Transitions", under randomOrderCheck
  autoCaptionChoice,    // "Image Files", beside the caption's font and colour
  keysSteerCheck,       // "Background/Transitions", at the bottom
  hiddenCount,          // "Image Files": "Hidden pictures: N", shown while N > 0
  showHiddenButton,     // beside it: "Show Hidden Again"
  stillOnBatteryCheck,  // "Background/Transitions", below the monitors' box
  clockChoice,          // "Background/Transitions", "Clock:"
  blurFillCheck,        // "Background/Transitions", under allMonitorsCheck
  pairPortraitsCheck,
  useGpuCheck,  // "Background/Transitions", beside the clock
};
inline constexpr std::size_t kControlCount = static_cast<std::size_t>(Control::useGpuCheck) + 1;

enum class ControlKind : std::uint8_t {
  ListBox,
  ComboBox,
  TextBox,
  Button,
  CheckBox,
  OptionButton,
  Slider,
  ScrollBar,
  Label,
  Swatch,   // a picture box painted in one colour
  Picture,  // the thumbnail box
};

// System colour indexes that mark a box as usable or not; they are kept as
// references so that they follow the user's colour scheme.
enum class SysColor : int { None = -1, Window = 5, ThreeDLight = 22 };

struct ControlInfo {
  Control id;
  std::string_view name;
  ControlKind kind;
  int group = 0;                       // option buttons of one frame share a group
  std::optional<settings::Key> key{};  // the option it shows, if it shows one
  int choice = 0;                      // option buttons: the choice of `key` it stands for
};

const ControlInfo& controlInfo(Control c);
inline std::string_view controlName(Control c) { return controlInfo(c).name; }

// The values a check box, slider, scroll bar or list offers: the range of
// the option it shows (an empty range for controls without one).
settings::Range controlRange(Control c);

struct ControlState {
  // Check box 0/1, option button 0/1, slider or scroll position, or the
  // selected item of a list or combo box (-1 for none).
  int value = 0;
  std::string text;                // text boxes, and labels whose text changes
  std::vector<std::string> items;  // list and combo boxes
  bool enabled = true;
  bool visible = true;
  SysColor back = SysColor::None;  // boxes whose background follows enabling
  std::uint32_t colour = 0;        // swatches: RGB value, red in the low byte
};

}  // namespace lumova::dialog
