#include "startup/module1.h"

#include "common/textnum.h"

namespace lumova::startup {

bool protectionOn(const Module1& m) {
  auto n = parseNumber(m.saverEnabled);
  return n && *n == 1.0;
}

bool systemLockApplies(const Module1& m) { return protectionOn(m) && m.platformId != kPlatformNT; }

}  // namespace lumova::startup

#include "startup/host.h"

namespace lumova::startup {

void getPlatform(Host& host, Module1& m) { m.platformId = host.platformId(); }

}  // namespace lumova::startup
