// The system calls behind automatic captions, on a real file and the
// system's own locale.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/text_win32.h"
#include "startup/host_win32.h"

using namespace lumova;

TEST(Win32Host, ReadsAFilesStartAndTheDayItWasWrittenInLocalTime) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "lumova host test \xC3\xA9.jpg";  // UTF-8, as paths are
  const std::wstring wide = win32::toWide(path);
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "0123456789", 10, &written, nullptr);
  // 17 May 2024 at noon, local time: the same day in any time zone.
  SYSTEMTIME local{2024, 5, 5, 17, 12, 0, 0, 0}, utc{};
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
  FILETIME stamp{};
  SystemTimeToFileTime(&utc, &stamp);
  SetFileTime(file, nullptr, nullptr, &stamp);
  CloseHandle(file);

  startup::Win32Host host;
  EXPECT_EQ(host.readFileStart(path, 4), "0123");
  EXPECT_EQ(host.fileModifiedDate(path), (CalendarDate{2024, 5, 17}));
  DeleteFileW(wide.c_str());
  EXPECT_EQ(host.readFileStart(path, 4), std::nullopt);

  // The user's long date names the year and the day.
  const std::string day = host.longDate({2024, 5, 17});
  EXPECT_NE(day.find("2024"), std::string::npos) << day;
  EXPECT_NE(day.find("17"), std::string::npos) << day;
}

TEST(Win32Host, TheClocksTimeAndDateInTheUsersFormats) {
  startup::Win32Host host;
  const std::string time = host.shortTime(14, 7);
  // "14:07" or "2:07 PM", as the user writes it; never the seconds.
  EXPECT_NE(time.find("07"), std::string::npos) << time;
  EXPECT_EQ(time.find("00", time.find("07") + 2), std::string::npos) << time;
  EXPECT_NE(host.shortTime(9, 41), time);
  SYSTEMTIME now{};
  GetLocalTime(&now);
  EXPECT_EQ(host.today(), (CalendarDate{now.wYear, now.wMonth, now.wDay}));
}
