// Entry point of Lumova.scr: one instance at a time, then the mode the
// screen-saver host asked for.
#include <windows.h>
#include <objbase.h>

#include "dialog/dialog_window_win32.h"
#include "startup/mode.h"
#include "startup/preview_win32.h"
#include "startup/saver_run_win32.h"

namespace {

using namespace lumova;

int runMode(HINSTANCE instance) {
  const std::string_view args = startup::argumentText(GetCommandLineA());
  switch (startup::selectMode(args)) {
    case startup::Mode::Saver:
      return startup::SaverRun(instance, startup::SaverParts{}).run();
    case startup::Mode::Preview:
      if (auto handle = startup::previewHandle(args)) startup::showPreview(instance, *handle);
      ExitProcess(0);
    case startup::Mode::Settings:
      return dialog::runSettingsDialog(instance, startup::executableFolder());
    case startup::Mode::None:
      break;
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // One run at a time per user session, whatever the switch; the handle
  // is held until the run returns, or the process ends.
  HANDLE instanceMutex = CreateMutexW(nullptr, FALSE, L"Local\\Lumova.ScreenSaver.Instance");
  if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int status = 1;
  try {
    status = runMode(instance);
  } catch (...) {
    // Nothing could be set up (no memory, no window): end as quietly as the
    // saver does. The lock is only ever set once the saver runs, and an
    // error there ends through the saver itself.
  }
  // A folder listing that does not answer may hold the process up as it
  // ends: the next start must not be refused meanwhile.
  if (instanceMutex) CloseHandle(instanceMutex);
  return status;
}
