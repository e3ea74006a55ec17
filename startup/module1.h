// Values the whole saver run shares: the platform, the password settings as
// the saver read them, and the movement burst counter.
#pragma once

#include <cstdint>
#include <string>

namespace lumova::startup {

inline constexpr std::int32_t kPlatformNT = 2;

struct Module1 {
  std::int32_t platformId = 0;
  std::string saverPassword;
  std::string saverEnabled;
  // Movement burst: counted movements and the burst's start on the
  // monotonic clock (no burst open when moveStart is empty).
  std::int32_t moveCount = 0;
  bool burstOpen = false;
  double moveStart = 0;
};

// Protection is on when saverEnabled reads as exactly 1.
bool protectionOn(const Module1& m);
// The system lock is only ever touched with protection on, outside the NT family.
bool systemLockApplies(const Module1& m);

}  // namespace lumova::startup
