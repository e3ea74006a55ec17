#include "common/clock_win32.h"

#include <windows.h>

namespace lumova::win32 {

SystemClock::SystemClock() {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  ticksPerSecond_ = static_cast<double>(f.QuadPart);
}

double SystemClock::secondsSinceMidnight() const {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

double SystemClock::monotonicSeconds() const {
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / ticksPerSecond_;
}

}  // namespace lumova::win32
