// A dialog model on fakes, a settings file to open it on, and the file as a
// fresh reader sees it after a save: what the native dialog tests share.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "dialog/settings_dialog.h"
#include "dialog/tests/recording_host.h"
#include "dialog/tests/sample_ini.h"
#include "settings/ini_document.h"

namespace lumova::dialog::testing {

// The sample file with `overrides`, "section/key=value" lines, applied on top.
inline std::string fullIni(const std::string& overrides = "") {
  std::string ini = kSampleIni;
  settings::IniDocument doc(ini);
  std::size_t pos = 0;
  while (pos < overrides.size()) {
    std::size_t end = overrides.find('\n', pos);
    if (end == std::string::npos) end = overrides.size();
    const std::string line = overrides.substr(pos, end - pos);
    const auto slash = line.find('/');
    const auto eq = line.find('=');
    doc.write(line.substr(0, slash), line.substr(slash + 1, eq - slash - 1), line.substr(eq + 1));
    pos = end + 1;
  }
  return doc.serialize();
}

struct Dialog {
  explicit Dialog(const std::string& ini, bool fileExists = true) : host(ini, fileExists), model(host) {
    host.pictureFiles.sizes["C:\\Pics\\a.jpg"] = {640, 480};
    host.pictureFiles.sizes["C:\\Pics\\b.gif"] = {100, 80};
  }
  const ControlState& operator[](Control c) const { return model.control(c); }
  RecordingHost host;
  SettingsDialog model;
};

struct FileView {
  explicit FileView(const std::string& bytes) {
    files.files[kIniPath] = bytes;
    store = std::make_unique<settings::SettingsStore>(files, kIniPath);
  }
  std::string read(std::string_view section, std::string_view key) const { return store->read(section, key); }
  fakes::MemoryFileStore files;
  std::unique_ptr<settings::SettingsStore> store;
};

}  // namespace lumova::dialog::testing
