#pragma once

#include <windows.h>

#include "startup/host.h"
#include "startup/screen_layout.h"

namespace lumova::startup {

// The monitors as the system reports them now.
ScreenLayout currentScreenLayout();

// The host procedures on Windows, for the saver window `hwnd`.
class Win32Host final : public Host {
 public:
  void attach(HWND saverWindow) { hwnd_ = saverWindow; }

  std::int32_t platformId() override;
  void parkPointer() override;
  void raiseSaverWindow() override;
  void lowerSaverWindow() override;
  void setScreenSaverRunning(bool running) override;
  void endProgram() override;

 private:
  void place(HWND insertAfter);
  HWND hwnd_ = nullptr;
};

}  // namespace lumova::startup
