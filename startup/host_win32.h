#pragma once

#include <windows.h>

#include <functional>

#include "common/host.h"

namespace lumova::startup {

// The host procedures on Windows, for the saver window attached.
class Win32Host final : public Host {
 public:
  void attach(HWND saverWindow) { hwnd_ = saverWindow; }
  // Runs first when the program ends (saves still on their way to the disk).
  void beforeEnd(std::function<void()> last) { beforeEnd_ = std::move(last); }

  std::int32_t platformId() override;
  void parkPointer() override;
  void raiseSaverWindow() override;
  void lowerSaverWindow() override;
  void setScreenSaverRunning(bool running) override;
  void endProgram() override;
  std::optional<std::string> readFileStart(const std::string& path, std::size_t maxBytes) override;
  std::optional<CalendarDate> fileModifiedDate(const std::string& path) override;
  std::string longDate(const CalendarDate& date) override;
  std::string shortTime(int hour, int minute) override;
  CalendarDate today() override;

 private:
  void place(HWND insertAfter);
  HWND hwnd_ = nullptr;
  std::function<void()> beforeEnd_;
};

}  // namespace lumova::startup
