// The settings vocabulary: every option key with its section, default and
// valid values, in the order a save writes them. Readers (saver and dialog)
// take options through readOption(), so both fall back to the same defaults.
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
};
inline constexpr std::size_t kKeyCount = 18;

enum class Kind {
  Text,          // anything, the empty text included (the password)
  NonEmptyText,  // anything but the empty text (font name, placement, change mode)
  Number,        // a strict number within [min, max]
  Truth,         // "True"/"False" or a number (the font switches)
};

struct KeyInfo {
  Key key;
  std::string_view section;
  std::string_view name;
  std::string_view defaultValue;
  Kind kind;
  double min = 0;
  double max = 0;
};

// All option keys, in the order the save writes them.
std::span<const KeyInfo> optionKeys();
const KeyInfo& keyInfo(Key key);

// The stored text when it is valid for the key, otherwise the key's default.
std::string readOption(const SettingsStore& store, Key key);

// Option values as text, indexed by Key.
using OptionValues = std::array<std::string, kKeyCount>;
OptionValues readOptions(const SettingsStore& store);
OptionValues defaultOptions();
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

// The save: clear images, write images 0..N-1, total, clear caption, write
// caption 0..N-1, then every option in the order of optionKeys(). Writes to
// the store only; the caller saves it.
void writeAll(SettingsStore& store, const PictureList& pictures, const OptionValues& options);

}  // namespace lumova::settings
