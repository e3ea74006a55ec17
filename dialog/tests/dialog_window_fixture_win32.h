// The real dialog on fakes, as the tests under Wine open it: on a settings
// file in memory, its messages recorded and answered, and what they read
// back from its windows.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialog/dialog_window_ids_win32.h"
#include "dialog/dialog_window_win32.h"
#include "dialog/tests/recording_host.h"
#include "dialog/tests/sample_ini.h"

namespace lumova::dialog::testing {

using Strings = std::vector<std::string>;

inline const char* const kIni = kSampleIni;

inline std::wstring windowText(HWND h) {
  wchar_t buffer[512] = {};
  GetWindowTextW(h, buffer, 512);
  return buffer;
}

inline std::wstring className(HWND h) {
  wchar_t buffer[128] = {};
  GetClassNameW(h, buffer, 128);
  return buffer;
}

inline std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

// Pictures by path, and one path whose loading fails in a way the dialog
// does not expect.
class Pictures : public fakes::FakePictures {
 public:
  using FakePictures::load;
  std::string failing;
  PictureLoad load(const PictureRequest& request) override {
    if (!failing.empty() && request.path == failing) throw std::runtime_error("the decoder broke down");
    return FakePictures::load(request);
  }
};

struct Shown {
  std::string text;
  bool dialogVisible;
  MessageKind kind = MessageKind::Exclamation;
  HWND owner = nullptr;
};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
  }
  void TearDown() override {
    window.reset();
    pump();
  }

  // `tree`: folders of the test's own making, counted instead of the system's.
  void open(const std::string& ini = kIni, FolderTree* tree = nullptr) {
    files.files[kIniPath] = ini;
    store = std::make_unique<settings::SettingsStore>(files, kIniPath);
    pictures.sizes["C:\\Pics\\a.jpg"] = {640, 480};
    pictures.sizes["C:\\Pics\\b.gif"] = {100, 80};
    window = std::make_unique<DialogWindow>(
        GetModuleHandleW(nullptr), *store, pictures, [this](HWND owner, const std::string& text, MessageKind kind) {
          shown.push_back({text, window && window->hwnd() && IsWindowVisible(window->hwnd()), kind, owner});
          return kind == MessageKind::YesNoExclamation ? (answerYes ? MessageAnswer::Yes : MessageAnswer::No)
                                                       : MessageAnswer::Ok;
        },
        tree ? std::shared_ptr<FolderTree>(std::shared_ptr<FolderTree>(), tree) : nullptr);
    ASSERT_TRUE(window->create());
  }

  // Runs what is queued through the dialog's own key handling.
  void pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!window || !window->translate(m)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
    }
  }

  HWND item(Control c) const { return window->item(c); }
  HWND tab() const { return GetDlgItem(window->hwnd(), IDC_TABS); }
  // The page of each tab, as the parent of a control on it.
  HWND page(int index) const {
    const Control onPage[kTabCount] = {Control::pictureList, Control::backgroundChoice, Control::protectionCheck};
    return GetParent(item(onPage[index]));
  }
  HWND label(int page, int id) const { return GetDlgItem(this->page(page), id); }
  const SettingsDialog& model() const { return window->model(); }
  // Runs the dialog's messages until `done` holds, or a generous while.
  bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 2000 && !done(); ++i) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      pump();
    }
    return done();
  }

  fakes::MemoryFileStore files;
  std::unique_ptr<settings::SettingsStore> store;
  Pictures pictures;
  std::vector<Shown> shown;
  bool answerYes = false;
  std::unique_ptr<DialogWindow> window;
};

}  // namespace lumova::dialog::testing
