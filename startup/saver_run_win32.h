// One run of the saver, wired together: the saver window and its show,
// input handling and the password prompt, the pictures decoded ahead on a
// worker, the folders scanned on another and the shuffle state saved on a
// third. The entry point runs it with the system's own parts; benchmarks
// and long-running checks hand in some of their own.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/clock.h"
#include "common/host.h"
#include "common/message_box.h"
#include "common/picture.h"
#include "common/protection.h"
#include "password/password_prompt.h"
#include "password/password_prompt_win32.h"
#include "saver/saver_window_win32.h"
#include "saver/slideshow.h"
#include "settings/file_store.h"
#include "startup/input.h"

namespace lumova::startup {

// What a run may be given instead of the system's own: each null part is
// the system's.
struct SaverParts {
  std::string settingsFolder;  // where zbfaone.ini is; the executable's own when empty
  settings::FileStore* files = nullptr;
  Host* host = nullptr;
  const Clock* clock = nullptr;
  PictureLoader* decoder = nullptr;  // WIC when null
  bool preload = true;               // the next pictures decoded ahead, on a worker
  MessageBoxes* messages = nullptr;
  bool scanFolders = true;
  // The window's monitors, pacing and renderer (the system's and GDI by default).
  saver::SaverWindowParts window;
};

// The executable's folder (UTF-8), without a trailing "\" unless it is a
// drive root.
std::string executableFolder();

class SaverRun {
 public:
  SaverRun(HINSTANCE instance, SaverParts parts);
  ~SaverRun();
  SaverRun(const SaverRun&) = delete;
  SaverRun& operator=(const SaverRun&) = delete;

  // The show started, the window shown over everything and the pointer
  // parked; the messages then run the show.
  void start();
  // start(), then the message loop until the run ends.
  int run();

  saver::Slideshow& slideshow() { return *slideshow_; }
  saver::SaverWindow& window() { return *window_; }
  SaverSession& session() { return *session_; }
  password::PasswordWindow& promptWindow() { return *promptWindow_; }
  Host& host() { return host_; }
  const Protection& protection() const { return protection_; }

 private:
  // What the window reports goes to input handling.
  saver::SaverInput windowInput();

  struct Own;
  std::unique_ptr<Own> own_;  // the system's parts that were not handed in
  Protection protection_;
  Host& host_;
  settings::FileStore& files_;
  const Clock& clock_;
  MessageBoxes& messages_;
  PictureLoader& pictures_;
  std::unique_ptr<saver::SaverWindow> window_;
  std::unique_ptr<saver::Slideshow> slideshow_;
  std::unique_ptr<SaverSession> session_;
  std::unique_ptr<password::PasswordWindow> promptWindow_;
  std::unique_ptr<password::PasswordPrompt> prompt_;
};

}  // namespace lumova::startup
