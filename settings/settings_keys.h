// The settings vocabulary: every option key with its section, its default,
// what a reader accepts from the file, the range of values it is meant to
// hold and, for the options that take one of two texts, those texts. One
// table, in the order a save writes the keys; the saver and the dialog read
// options through readOption(), so both fall back to the same defaults, and
// the dialog takes its controls' ranges from it.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumova::settings {

class SettingsStore;

enum class Key {
  randomPick,
  newBackColor,
  backEffect,
  picSpeed,
  timeInterval,
  picRandom,
  picChange,
  effectMode,
  randomEffect,
  saverPassword,
  saverEnabled,
  newFontName,
  newFontSize,
  newFontBold,
  newFontItalic,
  newFontUnderline,
  newFontFontStrikethru,
  newFontForeColor,
  // Added after the first release: a file without them keeps its meaning
  // (the default), a new user gets newFileDefault.
  picFit,
  allMonitors,
  shuffle,
  autoCaption,
  keysSteer,
  stillOnBattery,
  clock,
  blurFill,
  pairPortraits,
  useGpu,
};
inline constexpr std::size_t kKeyCount = 28;

enum class Kind {
  Text,          // anything, the empty text included (the password)
  NonEmptyText,  // anything but the empty text (font name, placement, change mode)
  Number,        // a strict number within [min, max]
  Truth,         // "True"/"False" or a number (the font switches)
};

// Whole numbers from `low` to `high`, both included.
struct Range {
  int low = 0;
  int high = 0;
};

struct KeyInfo {
  Key key;
  std::string_view section;
  std::string_view name;
  std::string_view defaultValue;
  Kind kind;
  // Numbers: what a reader takes from the file, anything else reads as the
  // default. Wider than `range` where the saver gives odd values a meaning
  // (a speed outside the table keeps the default interval).
  double min = 0;
  double max = 0;
  // The values the option is meant to hold: the dialog's control offers
  // these (check boxes and lists by index, the slider, the interval, the
  // font sizes).
  Range range;
  // Options that hold one of two texts: choice 0 and choice 1.
  std::array<std::string_view, 3> choices{};
  // What a reader takes when there is no settings file at all (a new user),
  // where that differs from `defaultValue`, the meaning of a file without
  // the key.
  std::string_view newFileDefault{};
};

// All option keys, in the order the save writes them.
std::span<const KeyInfo> optionKeys();
const KeyInfo& keyInfo(Key key);

// The texts of the options of two (or three) values.
inline constexpr int kCentred = 0;      // picRandom "cent"
inline constexpr int kFloating = 1;     // picRandom "rand"
inline constexpr int kPanZoom = 2;      // picRandom "zoom"; older versions float such pictures
inline constexpr int kChangeAfter = 0;  // picChange "ch"
inline constexpr int kChangeNever = 1;  // picChange "not_ch"
inline std::string_view choiceText(Key key, int choice) {
  const auto& texts = keyInfo(key).choices;
  return texts[choice == 0 ? 0 : choice == 2 && !texts[2].empty() ? 2 : 1];
}
// True when `text` is exactly choice `choice` of `key`.
inline bool isChoice(Key key, std::string_view text, int choice) { return text == choiceText(key, choice); }
// A font switch as the file keeps it: "True" or "False".
inline std::string_view flagText(Key key, bool on) { return choiceText(key, on ? 0 : 1); }
// useGpu as read (blanks already trimmed): exactly "0" draws with GDI; any
// other text, junk included, with the graphics card when it can be used.
inline bool graphicsCardAllowed(std::string_view useGpu) { return useGpu != "0"; }

// The stored text when it is valid for the key, otherwise the key's default
// (newFileDefault when there is no settings file).
std::string readOption(const SettingsStore& store, Key key);

// Option values as text, indexed by Key.
using OptionValues = std::array<std::string, kKeyCount>;
OptionValues readOptions(const SettingsStore& store);
inline std::string& at(OptionValues& v, Key k) { return v[static_cast<std::size_t>(k)]; }
inline const std::string& at(const OptionValues& v, Key k) { return v[static_cast<std::size_t>(k)]; }

inline constexpr int kMaxPictures = 32767;

struct PictureList {
  std::vector<std::string> paths;     // images "0".."N-1"
  std::vector<std::string> captions;  // caption "0".."N-1", same length
};

// total, then images 0..N-1, then caption 0..N-1. A total that is not a
// number or is negative gives an empty list; one beyond 32767 is cut to 32767.
// Missing keys give empty paths and captions.
PictureList readPictureList(const SettingsStore& store);

// The folders section: total N, keys "0".."N-1" the folder paths. A file
// without it has no folders. Read and written as the picture list's count
// is; an empty path is left out.
std::vector<std::string> readFolderList(const SettingsStore& store);
void writeFolderList(SettingsStore& store, const std::vector<std::string>& folders);

// The save: clear images, write images 0..N-1, total, clear caption, write
// caption 0..N-1, then every option in the order of optionKeys(). Writes to
// the store only; the caller saves it.
void writeAll(SettingsStore& store, const PictureList& pictures, const OptionValues& options);

}  // namespace lumova::settings
