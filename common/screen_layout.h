// Where the saver's window, its pointer and its slideshows go on a desktop of
// one or more monitors: the window covers every monitor (the virtual
// screen); each monitor in use shows a slideshow of its own.
#pragma once

#include <vector>

namespace lumova {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return width() <= 0 || height() <= 0; }
  bool operator==(const ScreenRect&) const = default;
};

struct ScreenPoint {
  int x = 0, y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

struct ScreenLayout {
  ScreenRect virtualScreen;  // screen coordinates; the primary's top-left is (0, 0)
  ScreenRect primary;
  // Every monitor, in the order the slideshows take pictures: the primary
  // first, then by position, left to right, and top to bottom where two
  // share a left edge. Never empty: the primary stands in for a system that
  // reported none.
  std::vector<ScreenRect> monitors;

  // A virtual screen the system could not report falls back to the primary;
  // monitors outside the virtual screen are cut to it, empty ones dropped.
  static ScreenLayout from(ScreenRect virtualScreen, ScreenRect primary, std::vector<ScreenRect> monitors = {});

  ScreenRect saverWindow() const { return virtualScreen; }
  // The bottom-right pixel of the screen.
  ScreenPoint parkedPointer() const { return {virtualScreen.right - 1, virtualScreen.bottom - 1}; }
  // A monitor's top-left corner in the saver window's client area.
  ScreenPoint originOf(const ScreenRect& monitor) const {
    return {monitor.left - virtualScreen.left, monitor.top - virtualScreen.top};
  }
  ScreenPoint primaryOrigin() const { return originOf(primary); }
};

}  // namespace lumova
