// Entry point of Lumova.scr: one instance at a time, then the mode the
// screen-saver host asked for.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "common/clock_win32.h"
#include "common/message_box_win32.h"
#include "common/module1.h"
#include "common/random.h"
#include "common/random_win32.h"
#include "common/text_win32.h"
#include "picture/wic_loader_win32.h"
#include "dialog/dialog_window_win32.h"
#include "password/password_prompt.h"
#include "password/password_prompt_win32.h"
#include "saver/background_file_store.h"
#include "saver/form1.h"
#include "saver/form1_win32.h"
#include "picture/preloader.h"
#include "picture/preloader_win32.h"
#include "picture/picture_formats.h"
#include "picture/picture_formats_win32.h"
#include "saver/folder_source_win32.h"
#include "picture/upright_size_win32.h"
#include "settings/file_store_win32.h"
#include "startup/host_win32.h"
#include "startup/input.h"
#include "startup/mode.h"
#include "startup/preview_win32.h"

namespace {

using namespace lumova;

// The executable's folder (UTF-8), without a trailing "\" unless it is a
// drive root.
std::string executableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  std::wstring folder = path.substr(0, slash);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return win32::fromWide(folder);
}

int runMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

// One run of the saver, wired together: the saver window and its logic,
// input handling, the password prompt and the preloading of pictures.
// Members are made in the order they need each other; the window's
// callbacks reach the others only once messages flow.
class SaverRun {
 public:
  explicit SaverRun(HINSTANCE instance)
      : window_(
            instance, [this](TimerId id) { form_.onTimer(id); }, input()),
        session_(startup::SaverSessionDeps{module1_, host_, clock_, window_}),
        promptWindow_(instance, window_.twipsPerPixelX(), window_.twipsPerPixelY(), promptKeys()),
        prompt_(promptWindow_, module1_.saverPassword, session_),
        folders_(instance, pictureExtensions(win32::decoderExtensionLists()),
                 {[this](std::vector<std::string> found) { form_.foldersFound(std::move(found)); },
                  [this] { form_.foldersScanned(); }}),
        form_(saver::Form1Deps{window_, window_, host_, window_, clock_, random_, pictures_, messages_, module1_,
                               files_, executableFolder(),
                               [this](const std::vector<PictureRequest>& next) { pictures_.prefetch(next); },
                               // Read at a change, once a picture (the saver keeps the shape).
                               [](const std::string& path) { return win32::readUprightSize(path); },
                               &systemRandom_, &stateFiles_, &folders_}) {
    host_.attach(window_.hwnd());
    session_.attachPrompt(prompt_);
    window_.watchDisplay([this] { form_.displayChanged(); });
  }

  int run() {
    form_.Form_Load();
    host_.parkPointer();
    ShowWindow(window_.hwnd(), SW_SHOW);
    SetForegroundWindow(window_.hwnd());
    host_.raiseSaverWindow();
    return runMessageLoop();
  }

 private:
  saver::SaverInput input() {
    saver::SaverInput in;
    in.onKey = [this] { session_.Form_KeyDown(); };
    in.onBackgroundButton = [this] { session_.Form_MouseDown(); };
    in.onBackgroundMove = [this](float x, float y) { session_.Form_MouseMove(x, y); };
    in.onPictureMove = [this](int x, int y) {
      session_.Picture1_MouseMove(static_cast<float>(x), static_cast<float>(y));
    };
    in.onEnd = [this] { session_.unlockAndEnd(); };
    return in;
  }

  password::PasswordKeys promptKeys() {
    return {[this](int key) { prompt_.onPasswordKey(key); }, [this](int key) { prompt_.onNotesKey(key); },
            [this] { prompt_.onClose(); }};
  }

  Module1 module1_;
  startup::Win32Host host_;
  settings::Win32FileStore files_;
  // The shuffled order's state, saved on a worker through a store of its own.
  settings::Win32FileStore stateStore_;
  saver::BackgroundFileStore stateFiles_{stateStore_};
  win32::SystemClock clock_;
  ClockSeededRandom random_{clock_};
  win32::SystemRandom systemRandom_;
  win32::WicPictureLoader decoder_;
  win32::Win32FileStamps stamps_;
  // The next picture is decoded on a worker while the current one is shown.
  PreloadingLoader pictures_{decoder_, stamps_};
  win32::Win32MessageBoxes messages_;
  saver::SaverWindow window_;
  startup::SaverSession session_;
  password::PasswordWindow promptWindow_;
  password::PasswordPrompt prompt_;
  // The folders of the settings, scanned on a worker.
  saver::Win32FolderSource folders_;
  saver::Form1 form_;
};

int runMode(HINSTANCE instance) {
  const std::string_view args = startup::argumentText(GetCommandLineA());
  switch (startup::selectMode(args)) {
    case startup::Mode::Saver:
      return SaverRun(instance).run();
    case startup::Mode::Preview:
      if (auto handle = startup::previewHandle(args)) startup::showPreview(instance, *handle);
      ExitProcess(0);
    case startup::Mode::Settings:
      return dialog::runSettingsDialog(instance, executableFolder());
    case startup::Mode::None:
      break;
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // One run at a time per user session, whatever the switch; the handle
  // lives until the process ends.
  HANDLE instanceMutex = CreateMutexW(nullptr, FALSE, L"Local\\Lumova.ScreenSaver.Instance");
  if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  try {
    return runMode(instance);
  } catch (...) {
    // Nothing could be set up (no memory, no window): end as quietly as the
    // saver does. The lock is only ever set once the saver runs, and an
    // error there ends through the saver itself.
    return 1;
  }
}
