#pragma once

#include <windows.h>

#include "common/host.h"

namespace lumova::startup {

// The host procedures on Windows, for the saver window attached.
class Win32Host final : public Host {
 public:
  void attach(HWND saverWindow) { hwnd_ = saverWindow; }

  std::int32_t platformId() override;
  void parkPointer() override;
  void raiseSaverWindow() override;
  void lowerSaverWindow() override;
  void setScreenSaverRunning(bool running) override;
  void endProgram() override;
  std::optional<std::string> readFileStart(const std::string& path, std::size_t maxBytes) override;
  std::optional<CalendarDate> fileModifiedDate(const std::string& path) override;
  std::string longDate(const CalendarDate& date) override;

 private:
  void place(HWND insertAfter);
  HWND hwnd_ = nullptr;
};

}  // namespace lumova::startup
