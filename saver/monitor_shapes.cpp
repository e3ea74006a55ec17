#include "saver/monitor_shapes.h"

#include <algorithm>

namespace lumova::saver {

std::vector<std::int32_t> takeByShape(const std::vector<bool>& monitorPortrait, std::deque<std::int32_t>& ahead,
                                      const std::function<std::int32_t()>& draw,
                                      const std::function<bool(std::int32_t)>& portrait) {
  std::vector<std::int32_t> taken;
  for (const bool wantPortrait : monitorPortrait) {
    while (ahead.size() < kShapeLookAhead) ahead.push_back(draw());
    const auto end = ahead.begin() + static_cast<std::ptrdiff_t>(kShapeLookAhead);
    auto it = std::find_if(ahead.begin(), end, [&](std::int32_t p) { return portrait(p) == wantPortrait; });
    if (it == end) it = ahead.begin();
    taken.push_back(*it);
    ahead.erase(it);
  }
  return taken;
}

}  // namespace lumova::saver
