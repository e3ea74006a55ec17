#include "common/protection.h"

#include "common/host.h"
#include "common/textnum.h"

namespace lumova {

bool protectionOn(std::string_view enabled) {
  const auto n = parseNumber(enabled);
  return n && *n == 1.0;
}

bool systemLockApplies(const Protection& p) { return protectionOn(p) && p.platformId != kPlatformNT; }

void readPlatform(Host& host, Protection& p) { p.platformId = host.platformId(); }

}  // namespace lumova
