#include "common/screen_layout.h"

#include <algorithm>

namespace lumova {

ScreenLayout ScreenLayout::from(ScreenRect virtualScreen, ScreenRect primary, std::vector<ScreenRect> monitors) {
  bool usable = virtualScreen.width() > 0 && virtualScreen.height() > 0 && virtualScreen.left <= primary.left &&
                virtualScreen.top <= primary.top && virtualScreen.right >= primary.right &&
                virtualScreen.bottom >= primary.bottom;
  ScreenLayout layout{usable ? virtualScreen : primary, primary, {}};
  const ScreenRect& v = layout.virtualScreen;
  std::vector<ScreenRect> others;
  for (const ScreenRect& m : monitors) {
    const ScreenRect cut{std::max(m.left, v.left), std::max(m.top, v.top), std::min(m.right, v.right),
                         std::min(m.bottom, v.bottom)};
    if (!cut.empty() && cut != primary) others.push_back(cut);
  }
  std::stable_sort(others.begin(), others.end(), [](const ScreenRect& a, const ScreenRect& b) {
    return a.left != b.left ? a.left < b.left : a.top < b.top;
  });
  layout.monitors.push_back(primary);
  layout.monitors.insert(layout.monitors.end(), others.begin(), others.end());
  return layout;
}

}  // namespace lumova
