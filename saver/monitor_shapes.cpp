#include "saver/monitor_shapes.h"

#include <algorithm>

namespace lumova::saver {

std::vector<std::int32_t> takeByShape(const std::vector<bool>& monitorPortrait,
                                      const std::function<std::vector<std::int32_t>(std::size_t)>& ahead,
                                      const std::function<std::int32_t(std::size_t)>& take,
                                      const std::function<bool(std::int32_t)>& portrait) {
  std::vector<std::int32_t> taken;
  for (const bool wantPortrait : monitorPortrait) {
    const std::vector<std::int32_t> next = ahead(kShapeLookAhead);
    const auto it = std::find_if(next.begin(), next.end(), [&](std::int32_t p) { return portrait(p) == wantPortrait; });
    taken.push_back(take(it == next.end() ? 0 : static_cast<std::size_t>(it - next.begin())));
  }
  return taken;
}

std::vector<std::int32_t> takeByShape(const std::vector<bool>& monitorPortrait, std::deque<std::int32_t>& ahead,
                                      const std::function<std::int32_t()>& draw,
                                      const std::function<bool(std::int32_t)>& portrait) {
  return takeByShape(
      monitorPortrait,
      [&](std::size_t most) {
        while (ahead.size() < most) ahead.push_back(draw());
        return std::vector<std::int32_t>(ahead.begin(), ahead.begin() + static_cast<std::ptrdiff_t>(most));
      },
      [&](std::size_t i) {
        const auto it = ahead.begin() + static_cast<std::ptrdiff_t>(i);
        const std::int32_t p = *it;
        ahead.erase(it);
        return p;
      },
      portrait);
}

}  // namespace lumova::saver
