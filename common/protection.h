// The password settings as the saver read them, and the platform, which
// decides whether the system is told that a saver runs. The entry point
// makes the one record of a run and hands it to whoever needs it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumova {

class Host;

inline constexpr std::int32_t kPlatformNT = 2;

struct Protection {
  std::int32_t platformId = 0;
  std::string password;
  std::string enabled;  // as the file holds it
};

// Protection is on when `enabled` reads as a number that is exactly 1.
bool protectionOn(std::string_view enabled);
inline bool protectionOn(const Protection& p) { return protectionOn(p.enabled); }
// The system lock is only ever touched with protection on, outside the NT family.
bool systemLockApplies(const Protection& p);
// The platform from the system's version record.
void readPlatform(Host& host, Protection& p);

}  // namespace lumova
