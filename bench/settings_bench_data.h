// The benchmark's settings file: 10,000 pictures with captions and every
// option, as a save by the dialog writes it.
#pragma once

#include <string>

#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace lumova::settings::bench {

inline constexpr int kPictures = 10000;

inline PictureList benchPictures() {
  PictureList list;
  for (int i = 0; i < kPictures; ++i) {
    list.paths.push_back("C:\\Users\\Somebody\\Pictures\\Holidays " + std::to_string(2000 + i % 25) + "\\Day " +
                         std::to_string(i % 31) + "\\IMG_" + std::to_string(100000 + i) + ".JPG");
    list.captions.push_back(i % 7 ? "Caption of picture number " + std::to_string(i) + " at the beach" : "");
  }
  return list;
}

inline void writeBenchFile(SettingsStore& store) {
  OptionValues options;
  for (const KeyInfo& info : optionKeys()) at(options, info.key) = std::string(info.defaultValue);
  writeAll(store, benchPictures(), options);
}

// What the saver and the dialog take out of the file at start-up.
inline std::size_t loadEverything(const SettingsStore& store) {
  PictureList list = readPictureList(store);
  OptionValues options = readOptions(store);
  return list.paths.size() + list.captions.size() + options.size();
}

}  // namespace lumova::settings::bench
