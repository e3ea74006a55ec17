#include "common/module1.h"

#include "common/host.h"
#include "common/textnum.h"

namespace lumova {

bool protectionOn(std::string_view saverEnabled) {
  const auto n = parseNumber(saverEnabled);
  return n && *n == 1.0;
}

bool systemLockApplies(const Module1& m) { return protectionOn(m) && m.platformId != kPlatformNT; }

void getPlatform(Host& host, Module1& m) { m.platformId = host.platformId(); }

}  // namespace lumova
