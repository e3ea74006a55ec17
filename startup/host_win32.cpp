#include "startup/host_win32.h"

#include <algorithm>

#include "common/display_win32.h"
#include "common/gdi_win32.h"
#include "common/text_win32.h"

namespace lumova::startup {

std::int32_t Win32Host::platformId() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  static_assert(sizeof(OSVERSIONINFOA) == 148);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&info);
#pragma GCC diagnostic pop
  return static_cast<std::int32_t>(info.dwPlatformId);
}

void Win32Host::parkPointer() {
  ScreenPoint p = win32::currentScreenLayout().parkedPointer();
  SetCursorPos(p.x, p.y);
}

void Win32Host::place(HWND insertAfter) {
  // Every pixel of every monitor; no window larger than the screen itself.
  ScreenRect w = win32::currentScreenLayout().saverWindow();
  SetWindowPos(hwnd_, insertAfter, w.left, w.top, w.width(), w.height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void Win32Host::raiseSaverWindow() { place(HWND_TOPMOST); }
void Win32Host::lowerSaverWindow() { place(HWND_NOTOPMOST); }

void Win32Host::setScreenSaverRunning(bool running) {
  UINT previous = 0;
  SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

void Win32Host::endProgram() {
  if (beforeEnd_) beforeEnd_();
  ExitProcess(0);
}

std::optional<std::string> Win32Host::readFileStart(const std::string& path, std::size_t maxBytes) {
  win32::UniqueFile file(CreateFileW(win32::toWide(path).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return std::nullopt;
  std::string bytes(maxBytes, '\0');
  std::size_t done = 0;
  while (done < maxBytes) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min<std::size_t>(maxBytes - done, 1 << 20));
    if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

std::optional<CalendarDate> Win32Host::fileModifiedDate(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(win32::toWide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  SYSTEMTIME utc{}, local{};
  if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
    return std::nullopt;
  return CalendarDate{local.wYear, local.wMonth, local.wDay};
}

std::string Win32Host::longDate(const CalendarDate& date) {
  SYSTEMTIME day{};
  day.wYear = static_cast<WORD>(date.year);
  day.wMonth = static_cast<WORD>(date.month);
  day.wDay = static_cast<WORD>(date.day);
  wchar_t text[128];
  const int n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &day, nullptr, text, 128, nullptr);
  return n > 1 ? win32::fromWide(std::wstring_view(text, static_cast<std::size_t>(n - 1))) : std::string();
}

std::string Win32Host::shortTime(int hour, int minute) {
  SYSTEMTIME at{};
  GetLocalTime(&at);  // a valid date for the format
  at.wHour = static_cast<WORD>(hour);
  at.wMinute = static_cast<WORD>(minute);
  at.wSecond = at.wMilliseconds = 0;
  wchar_t text[64];
  const int n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &at, nullptr, text, 64);
  return n > 1 ? win32::fromWide(std::wstring_view(text, static_cast<std::size_t>(n - 1))) : std::string();
}

CalendarDate Win32Host::today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return CalendarDate{now.wYear, now.wMonth, now.wDay};
}

}  // namespace lumova::startup
