// Fakes for the settings dialog's tests: files in memory, pictures by path,
// and a host that records what the dialog asked of it, in order.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/picture.h"
#include "dialog/form2_host.h"
#include "settings/file_store.h"
#include "settings/settings_store.h"

namespace lumova::dialog::testing {

class MemoryFiles : public settings::FileStore {
 public:
  std::map<std::string, std::string> files;
  int reads = 0;
  int saves = 0;  // successful ones
  settings::SaveError failNextSave = settings::SaveError::None;

  std::optional<std::string> readAll(const std::string& path) override {
    ++reads;
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  settings::SaveError replaceAtomically(const std::string& path, const std::string& bytes) override {
    if (failNextSave != settings::SaveError::None) return std::exchange(failNextSave, settings::SaveError::None);
    files[path] = bytes;
    ++saves;
    return settings::SaveError::None;
  }
};

class SizedPicture : public Picture {
 public:
  SizedPicture(int w, int h) : w_(w), h_(h) {}
  int width() const override { return w_; }
  int height() const override { return h_; }

 private:
  int w_, h_;
};

// Pictures by path with their pixel size; any other path is missing.
class FakePictures : public PictureLoader {
 public:
  std::map<std::string, std::pair<int, int>> sizes;
  std::vector<std::string> loaded;
  PictureLoad load(const std::string& path) override {
    loaded.push_back(path);
    auto it = sizes.find(path);
    if (it == sizes.end()) return {nullptr, PictureError::NotFound};
    return {std::make_shared<SizedPicture>(it->second.first, it->second.second), PictureError::None};
  }
};

inline constexpr const char* kIniPath = "C:\\Saver\\zbfaone.ini";

// Records, in one list: "react <handler>", "message <text>", "move <l>,<t>"
// and "unload"; control changes are kept apart in `changes`.
class RecordingHost : public Form2Host {
 public:
  explicit RecordingHost(const std::string& ini, bool fileExists = true) {
    if (fileExists) files.files[kIniPath] = ini;
    store = std::make_unique<settings::SettingsStore>(files, kIniPath);
  }

  MemoryFiles files;
  std::unique_ptr<settings::SettingsStore> store;
  FakePictures pictureFiles;
  ScreenMetrics screen{1024 * 15, 768 * 15, 480 * 15, 420 * 15, 15, 15};

  std::vector<std::string> log;
  std::vector<std::string> messages;
  std::vector<Control> changes;
  bool unloaded = false;

  settings::SettingsStore& settings() override { return *store; }
  PictureLoader& pictures() override { return pictureFiles; }
  void showMessage(const std::string& text) override {
    messages.push_back(text);
    log.push_back("message " + text);
  }
  ScreenMetrics metrics() override { return screen; }
  void moveWindow(int left, int top) override {
    log.push_back("move " + std::to_string(left) + "," + std::to_string(top));
  }
  void unload() override {
    unloaded = true;
    log.push_back("unload");
  }
  void controlChanged(Control c) override { changes.push_back(c); }
  void reactionRaised(Control c) override { log.push_back("react " + std::string(controlInfo(c).reaction)); }

  // The reactions only, in order.
  std::vector<std::string> reactions() const {
    std::vector<std::string> out;
    for (const auto& line : log)
      if (line.rfind("react ", 0) == 0) out.push_back(line.substr(6));
    return out;
  }
};

}  // namespace lumova::dialog::testing
