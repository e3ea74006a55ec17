// The run of "/c": the common controls, the settings file beside the
// executable, and a message loop until the dialog is unloaded.
#include "dialog/dialog_window_win32.h"

#include <commctrl.h>

#include <memory>

#include "picture/wic_loader_win32.h"
#include "settings/file_store.h"
#include "settings/settings_store.h"

namespace lumova::dialog {

int runSettingsDialog(HINSTANCE instance, const std::string& exeFolderUtf8, PictureLoader& pictures) {
  INITCOMMONCONTROLSEX controls{
      sizeof controls, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  std::unique_ptr<settings::FileStore> files = settings::makeSystemFileStore();
  settings::SettingsStore store(*files, settings::settingsPath(exeFolderUtf8));
  DialogWindow window(instance, store, pictures);
  if (!window.create()) return 1;
  window.show();

  // The run ends when the dialog is unloaded: it is the only window.
  MSG msg;
  while (window.isOpen()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (!window.translate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}

int runSettingsDialog(HINSTANCE instance, const std::string& exeFolderUtf8) {
  win32::WicPictureLoader pictures;
  return runSettingsDialog(instance, exeFolderUtf8, pictures);
}

}  // namespace lumova::dialog
