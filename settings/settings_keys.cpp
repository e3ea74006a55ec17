#include "settings/settings_keys.h"

#include <limits>

#include "common/textnum.h"
#include "effects/effect_table.h"
#include "settings/settings_store.h"

namespace lumova::settings {
namespace {

constexpr double kAny = std::numeric_limits<double>::max();
constexpr double kWhite = 16777215;  // the largest RGB colour value
// The change timer counts milliseconds in 32 bits.
constexpr double kMaxIntervalSeconds = 2147483;

constexpr Range kFlag{0, 1};            // check boxes
constexpr Range kColours{0, 16777215};  // RGB colour values
constexpr Range kEffects{0, effects::kEffectCount - 1};
constexpr std::array<std::string_view, 3> kTruth{"True", "False"};

// Also the save order. Numbers whose odd values the saver gives a meaning
// to (any transition number, any speed) are accepted beyond their range.
constexpr std::array<KeyInfo, kKeyCount> kKeys{{
    {Key::randomPick, "image", "randomPick", "0", Kind::Number, -kAny, kAny, kFlag, {}},
    {Key::newBackColor, "background", "newBackColor", "0", Kind::Number, 0, kWhite, kColours, {}},
    {Key::backEffect, "background", "backEffect", "0", Kind::Number, -kAny, kAny, {0, 1}, {}},
    {Key::picSpeed, "image", "picSpeed", "2", Kind::Number, -kAny, kAny, {0, 5}, {}},
    {Key::timeInterval, "image", "timeInterval", "10", Kind::Number, 0, kMaxIntervalSeconds, {0, 60}, {}},
    {Key::picRandom, "image", "picRandom", "cent", Kind::NonEmptyText, 0, 0, {}, {"cent", "rand", "zoom"}},
    {Key::picChange, "image", "picChange", "ch", Kind::NonEmptyText, 0, 0, {}, {"ch", "not_ch"}},
    {Key::effectMode, "image", "effectMode", "0", Kind::Number, -kAny, kAny, kEffects, {}},
    {Key::randomEffect, "image", "randomEffect", "0", Kind::Number, -kAny, kAny, kFlag, {}},
    {Key::saverPassword, "password", "saverPassword", "", Kind::Text, 0, 0, {}, {}},
    {Key::saverEnabled, "password", "saverEnabled", "0", Kind::Number, -kAny, kAny, kFlag, {}},
    {Key::newFontName, "font", "newFontName", "Arial", Kind::NonEmptyText, 0, 0, {}, {}},
    {Key::newFontSize, "font", "newFontSize", "14", Kind::Number, 1, 1000, {10, 48}, {}},
    {Key::newFontBold, "font", "newFontBold", "False", Kind::Truth, 0, 0, {}, kTruth},
    {Key::newFontItalic, "font", "newFontItalic", "False", Kind::Truth, 0, 0, {}, kTruth},
    {Key::newFontUnderline, "font", "newFontUnderline", "False", Kind::Truth, 0, 0, {}, kTruth},
    {Key::newFontFontStrikethru, "font", "newFontFontStrikethru", "False", Kind::Truth, 0, 0, {}, kTruth},
    {Key::newFontForeColor, "font", "newFontForeColor", "16777215", Kind::Number, 0, kWhite, kColours, {}},
    // "1": a picture larger than its screen area is shrunk to fit it whole.
    {Key::picFit, "image", "picFit", "0", Kind::Number, -kAny, kAny, kFlag, {}, "1"},
    // "1": every monitor shows the slideshow, not only the primary one.
    {Key::allMonitors, "image", "allMonitors", "0", Kind::Number, -kAny, kAny, kFlag, {}, "1"},
    // "1", with randomPick "1": every picture once before any comes again.
    {Key::shuffle, "image", "shuffle", "0", Kind::Number, -kAny, kAny, kFlag, {}, "1"},
    // For pictures without a caption: "1" the file name, "2" the date taken.
    {Key::autoCaption, "image", "autoCaption", "0", Kind::Number, -kAny, kAny, {0, 2}, {}},
    // "1": the arrows, space, I and H steer the show; every other key still
    // ends it. Off for a new user too: a screen saver's keys end it.
    {Key::keysSteer, "image", "keysSteer", "0", Kind::Number, -kAny, kAny, kFlag, {}},
    // "1": on battery, pan and zoom and floating pictures stand still.
    {Key::stillOnBattery, "image", "stillOnBattery", "0", Kind::Number, -kAny, kAny, kFlag, {}, "1"},
    // "1" the time, "2" the time and the date, in a corner of each monitor.
    {Key::clock, "image", "clock", "0", Kind::Number, -kAny, kAny, {0, 2}, {}},
    // "1": a blurred, dimmed copy of the picture fills the screen around it.
    {Key::blurFill, "image", "blurFill", "0", Kind::Number, -kAny, kAny, kFlag, {}, "1"},
    // "1": two portrait pictures side by side on a landscape monitor.
    {Key::pairPortraits, "image", "pairPortraits", "0", Kind::Number, -kAny, kAny, kFlag, {}},
    // "0": frames are drawn with GDI. Anything else: on the graphics card
    // (Direct3D 11) when it can be used, GDI otherwise.
    {Key::useGpu, "image", "useGpu", "1", Kind::Number, -kAny, kAny, kFlag, {}},
}};

constexpr bool tableFollowsKeyOrder() {
  for (std::size_t i = 0; i < kKeys.size(); ++i)
    if (static_cast<std::size_t>(kKeys[i].key) != i) return false;
  return true;
}
static_assert(tableFollowsKeyOrder(), "keyInfo() indexes the table by Key");

constexpr bool defaultsAreChoices() {
  for (const KeyInfo& k : kKeys)
    if (!k.choices[0].empty() && k.defaultValue != k.choices[0] && k.defaultValue != k.choices[1]) return false;
  return true;
}
static_assert(defaultsAreChoices(), "a two-valued option defaults to one of its texts");

bool isValid(const KeyInfo& info, const std::string& text) {
  switch (info.kind) {
    case Kind::Text:
      return true;
    case Kind::NonEmptyText:
      return !text.empty();
    case Kind::Number: {
      auto number = parseNumber(text);
      return number && *number >= info.min && *number <= info.max;
    }
    case Kind::Truth:
      return parseTruth(text).has_value();
  }
  return false;
}

constexpr std::string_view kTotalSection = "total";
constexpr std::string_view kTotalKey = "total";
constexpr std::string_view kImagesSection = "images";
constexpr std::string_view kCaptionSection = "caption";
constexpr std::string_view kFoldersSection = "folders";

}  // namespace

std::span<const KeyInfo> optionKeys() { return kKeys; }

const KeyInfo& keyInfo(Key key) { return kKeys[static_cast<std::size_t>(key)]; }

std::string readOption(const SettingsStore& store, Key key) {
  const KeyInfo& info = keyInfo(key);
  std::string text = store.read(info.section, info.name);
  if (isValid(info, text)) return text;
  const bool newUser = store.readError() == ReadError::Missing;
  return std::string(newUser && !info.newFileDefault.empty() ? info.newFileDefault : info.defaultValue);
}

OptionValues readOptions(const SettingsStore& store) {
  OptionValues values;
  for (const KeyInfo& info : kKeys) at(values, info.key) = readOption(store, info.key);
  return values;
}

PictureList readPictureList(const SettingsStore& store) {
  PictureList list;
  auto total = parseNumber(store.read(kTotalSection, kTotalKey));
  if (!total || *total < 0) return list;
  double rounded = roundHalfEven(*total);
  int count = rounded > kMaxPictures ? kMaxPictures : static_cast<int>(rounded);
  list.paths.reserve(static_cast<std::size_t>(count));
  list.captions.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) list.paths.push_back(store.read(kImagesSection, numberToText(i)));
  for (int i = 0; i < count; ++i) list.captions.push_back(store.read(kCaptionSection, numberToText(i)));
  return list;
}

std::vector<std::string> readFolderList(const SettingsStore& store) {
  std::vector<std::string> folders;
  auto total = parseNumber(store.read(kFoldersSection, kTotalKey));
  if (!total || *total < 0) return folders;
  const double rounded = roundHalfEven(*total);
  const int count = rounded > kMaxPictures ? kMaxPictures : static_cast<int>(rounded);
  for (int i = 0; i < count; ++i) {
    std::string path = store.read(kFoldersSection, numberToText(i));
    if (!path.empty()) folders.push_back(std::move(path));
  }
  return folders;
}

void writeFolderList(SettingsStore& store, const std::vector<std::string>& folders) {
  store.clearSection(kFoldersSection);
  // No section at all without folders: the file reads as it did before.
  if (folders.empty()) return;
  store.write(kFoldersSection, kTotalKey, numberToText(static_cast<std::int64_t>(folders.size())));
  for (std::size_t i = 0; i < folders.size(); ++i)
    store.write(kFoldersSection, numberToText(static_cast<std::int64_t>(i)), folders[i]);
}

void writeAll(SettingsStore& store, const PictureList& pictures, const OptionValues& options) {
  store.clearSection(kImagesSection);
  for (std::size_t i = 0; i < pictures.paths.size(); ++i)
    store.write(kImagesSection, numberToText(static_cast<std::int64_t>(i)), pictures.paths[i]);
  store.write(kTotalSection, kTotalKey, numberToText(static_cast<std::int64_t>(pictures.paths.size())));
  store.clearSection(kCaptionSection);
  for (std::size_t i = 0; i < pictures.captions.size(); ++i)
    store.write(kCaptionSection, numberToText(static_cast<std::int64_t>(i)), pictures.captions[i]);
  for (const KeyInfo& info : kKeys) store.write(info.section, info.name, at(options, info.key));
}

}  // namespace lumova::settings
