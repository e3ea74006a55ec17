// The settings dialog's host for tests: files in memory, pictures by path,
// and a record of what the dialog asked of it, in order.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "dialog/dialog_host.h"
#include "settings/settings_store.h"
#include "tests/fakes/fake_pictures.h"
#include "tests/fakes/memory_file_store.h"

namespace lumova::dialog {

// Failed checks name the controls.
inline void PrintTo(Control c, std::ostream* os) { *os << controlName(c); }

}  // namespace lumova::dialog

namespace lumova::dialog::testing {

inline constexpr const char* kIniPath = "C:\\Saver\\zbfaone.ini";

// What the file-open dialog answers: nothing (Cancel), one path, or several.
struct OpenAnswer {
  OpenAnswer(std::nullopt_t) {}
  OpenAnswer(const char* path) : paths{path} {}
  OpenAnswer(std::string path) : paths{std::move(path)} {}
  OpenAnswer(std::vector<std::string> several) : paths(std::move(several)) {}
  std::vector<std::string> paths;
};

// Records, in one list: "react <control>", "message <text>", "ask <text>",
// "open <title>", "folder <title>", "font", "colour", "move <l>,<t>" and
// "unload"; control changes are kept apart in `changes`. The answers of the
// questions and the common dialogs are scripted in queues; an empty queue
// answers No or Cancel.
class RecordingHost : public DialogHost {
 public:
  explicit RecordingHost(const std::string& ini, bool fileExists = true) {
    if (fileExists) files.files[kIniPath] = ini;
    store = std::make_unique<settings::SettingsStore>(files, kIniPath);
  }

  fakes::MemoryFileStore files;
  std::unique_ptr<settings::SettingsStore> store;
  fakes::FakePictures pictureFiles;
  ScreenMetrics screen{1024 * 15, 768 * 15, 480 * 15, 420 * 15, 15, 15};

  std::vector<std::string> log;
  std::vector<std::string> messages;
  std::vector<Control> changes;
  std::vector<Control> raised;  // whose reactions ran, as "react" in `log`
  bool unloaded = false;

  std::deque<bool> yesNoAnswers;
  std::deque<OpenAnswer> openAnswers;
  std::deque<std::optional<std::string>> folderAnswers;
  std::deque<std::optional<FontChoice>> fontAnswers;
  std::deque<std::optional<std::uint32_t>> colourAnswers;
  std::vector<OpenFileRequest> openRequests;
  std::vector<FolderRequest> folderRequests;
  std::vector<FontRequest> fontRequests;
  std::vector<ColourRequest> colourRequests;
  std::vector<std::vector<std::string>> countRequests;

  settings::SettingsStore& settings() override { return *store; }
  PictureLoader& pictures() override { return pictureFiles; }
  void countFolders(const std::vector<std::string>& folders) override { countRequests.push_back(folders); }
  void showNotice(const std::string& text) override { notice = text; }
  std::string notice;  // the status bar's, empty for the usual one
  void showMessage(const std::string& text) override {
    messages.push_back(text);
    log.push_back("message " + text);
  }
  bool askYesNo(const std::string& text) override {
    log.push_back("ask " + text);
    return next(yesNoAnswers).value_or(false);
  }
  std::vector<std::string> openFiles(const OpenFileRequest& request) override {
    log.push_back("open " + request.title);
    openRequests.push_back(request);
    return next(openAnswers).value_or(std::nullopt).paths;
  }
  std::optional<std::string> chooseFolder(const FolderRequest& request) override {
    log.push_back("folder " + request.title);
    folderRequests.push_back(request);
    return next(folderAnswers).value_or(std::nullopt);
  }
  std::optional<FontChoice> chooseFont(const FontRequest& request) override {
    log.push_back("font");
    fontRequests.push_back(request);
    return next(fontAnswers).value_or(std::nullopt);
  }
  std::optional<std::uint32_t> chooseColour(const ColourRequest& request) override {
    log.push_back("colour");
    colourRequests.push_back(request);
    return next(colourAnswers).value_or(std::nullopt);
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
  void reactionRaised(Control c) override {
    log.push_back("react " + std::string(controlName(c)));
    raised.push_back(c);
  }

  template <typename T>
  static std::optional<T> next(std::deque<T>& answers) {
    if (answers.empty()) return std::nullopt;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }

  // The controls whose reactions ran, in order.
  const std::vector<Control>& reactions() const { return raised; }
  void clearLog() {
    log.clear();
    raised.clear();
  }
};

}  // namespace lumova::dialog::testing
