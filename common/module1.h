// Values the whole saver run shares: the platform, the password settings as
// the saver read them, and the movement burst counter. The entry procedure
// makes the one record of a run and hands it to whoever needs it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumova {

inline constexpr std::int32_t kPlatformNT = 2;

struct Module1 {
  std::int32_t platformId = 0;
  std::string saverPassword;
  std::string saverEnabled;
  // Movement burst: counted movements, whether a burst is open, and when it
  // began on the monotonic clock (whole seconds).
  std::int32_t moveCount = 0;
  bool burstOpen = false;
  double moveStart = 0;
};

// Protection is on when saverEnabled reads as a number that is exactly 1.
bool protectionOn(std::string_view saverEnabled);
inline bool protectionOn(const Module1& m) { return protectionOn(m.saverEnabled); }
// The system lock is only ever touched with protection on, outside the NT family.
bool systemLockApplies(const Module1& m);

}  // namespace lumova
