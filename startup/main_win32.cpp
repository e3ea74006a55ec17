// Entry point of Lumova.scr: one instance at a time, then the mode the
// screen-saver host asked for.
#include <windows.h>
#include <objbase.h>

#include <memory>
#include <string>

#include "common/clock_win32.h"
#include "common/message_box_win32.h"
#include "common/random.h"
#include "common/wic_loader_win32.h"
#include "dialog/form2_win32.h"
#include "password/password_form.h"
#include "password/password_form_win32.h"
#include "saver/form1.h"
#include "saver/preloader.h"
#include "saver/preloader_win32.h"
#include "saver/form1_win32.h"
#include "settings/file_store_win32.h"
#include "startup/host_win32.h"
#include "startup/input.h"
#include "startup/mode.h"
#include "startup/module1.h"
#include "startup/preview_win32.h"

namespace {

using namespace lumova;

std::string toUtf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

// The executable's folder, without a trailing "\" unless it is a drive root.
std::string executableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  std::wstring folder = path.substr(0, slash);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return toUtf8(folder);
}

int runMessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

int runSaver(HINSTANCE instance) {
  startup::Module1 module1;
  startup::Win32Host host;
  settings::Win32FileStore files;
  win32::SystemClock clock;
  ClockSeededRandom random(clock);
  win32::WicPictureLoader decoder;
  win32::Win32FileStamps stamps;
  // The next picture is decoded on a worker while the current one is shown.
  PreloadingLoader pictures(decoder, stamps);
  win32::Win32MessageBoxes messages;
  std::unique_ptr<saver::Form1> form;

  // Input goes to the session once it exists; the prompt is created on the
  // first interruption of a protected saver.
  std::unique_ptr<startup::SaverSession> session;
  saver::SaverInput input;
  input.onKey = [&] {
    if (session) session->Form_KeyDown();
  };
  input.onPictureKey = [&] {
    if (session) session->Picture1_KeyDown();
  };
  input.onBackgroundButton = [&] {
    if (session) session->Form_MouseDown();
  };
  input.onBackgroundMove = [&](float x, float y) {
    if (session) session->Form_MouseMove(x, y);
  };
  input.onPictureMove = [&](int x, int y) {
    if (session) session->Picture1_MouseMove(static_cast<float>(x), static_cast<float>(y));
  };
  saver::SaverWindow window(
      instance,
      [&](TimerId id) {
        if (form) form->onTimer(id);
      },
      input);
  host.attach(window.hwnd());
  session = std::make_unique<startup::SaverSession>(startup::SaverSessionDeps{module1, host, clock, window});
  std::unique_ptr<password::PasswordForm> prompt;
  password::PasswordWindow promptWindow(
      instance, window.twipsPerPixelX(), window.twipsPerPixelY(),
      password::PasswordKeys{[&](int key) { prompt->txtPassword_KeyPress(key); },
                             [&](int key) { prompt->txtNotes_KeyPress(key); }, [&] { prompt->Form_Close(); }});
  prompt = std::make_unique<password::PasswordForm>(promptWindow, module1, *session);
  session->attachPrompt(*prompt);
  form = std::make_unique<saver::Form1>(saver::Form1Deps{window, window, host, window, clock, random, pictures,
                                                         messages, module1, files, executableFolder(),
                                                         [&](const std::string& path) { pictures.prefetch(path); }});

  form->Form_Load();
  host.parkPointer();
  ShowWindow(window.hwnd(), SW_SHOW);
  SetForegroundWindow(window.hwnd());
  host.raiseSaverWindow();
  return runMessageLoop();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // One run at a time per user session, whatever the switch; the handle
  // lives until the process ends.
  HANDLE instanceMutex = CreateMutexW(nullptr, FALSE, L"Local\\Lumova.ScreenSaver.Instance");
  if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  std::string_view args = startup::argumentText(GetCommandLineA());
  switch (startup::selectMode(args)) {
    case startup::Mode::Saver:
      return runSaver(instance);
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
