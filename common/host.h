// The system calls the saver makes about the pointer, its window's place in
// the z-order, the platform and the screen-saver-running state, those
// that caption a picture from its file, and the clock's formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace lumova {

struct CalendarDate {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  bool operator==(const CalendarDate&) const = default;
};

class Host {
 public:
  virtual ~Host() = default;
  // Platform identifier from the system's version record (2 = NT family).
  virtual std::int32_t platformId() = 0;
  // The pointer onto the bottom-right pixel of the screen.
  virtual void parkPointer() = 0;
  // The saver window shown, covering every pixel of every monitor, topmost
  // (raise) or no longer topmost and left where it is (lower).
  virtual void raiseSaverWindow() = 0;
  virtual void lowerSaverWindow() = 0;
  // SPI_SETSCREENSAVERRUNNING on or off; the result is not used.
  virtual void setScreenSaverRunning(bool running) = 0;
  // Ends the whole program at once: no window's closing handler runs.
  virtual void endProgram() = 0;
  // At most `maxBytes` from the start of a file (path in UTF-8); nothing
  // when it cannot be read.
  virtual std::optional<std::string> readFileStart(const std::string& path, std::size_t maxBytes) = 0;
  // The day a file was last written, in local time.
  virtual std::optional<CalendarDate> fileModifiedDate(const std::string& path) = 0;
  // The date in the user's long date format, in UTF-8; empty when the
  // system cannot format it.
  virtual std::string longDate(const CalendarDate& date) = 0;
  // A time of day in the user's time format without seconds, in UTF-8;
  // empty when the system cannot format it.
  virtual std::string shortTime(int hour, int minute) = 0;
  // The local date today.
  virtual CalendarDate today() = 0;
};

}  // namespace lumova
