// Where the saver's window, its pointer and its slideshow go on a desktop of
// one or more monitors: the window covers every monitor (the virtual
// screen), the slideshow uses the primary monitor.
#pragma once

namespace lumova {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const ScreenRect&) const = default;
};

struct ScreenPoint {
  int x = 0, y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

struct ScreenLayout {
  ScreenRect virtualScreen;  // screen coordinates; the primary's top-left is (0, 0)
  ScreenRect primary;

  // A virtual screen the system could not report falls back to the primary.
  static ScreenLayout from(ScreenRect virtualScreen, ScreenRect primary);

  ScreenRect saverWindow() const { return virtualScreen; }
  // The bottom-right pixel of the screen.
  ScreenPoint parkedPointer() const { return {virtualScreen.right - 1, virtualScreen.bottom - 1}; }
  // The primary monitor's top-left corner in the saver window's client area.
  ScreenPoint primaryOrigin() const { return {primary.left - virtualScreen.left, primary.top - virtualScreen.top}; }
};

}  // namespace lumova
