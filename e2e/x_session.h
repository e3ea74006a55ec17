#pragma once
// A private X server (Xvfb) and the harness's own connection to it: screen
// pictures, top-level windows and synthetic input (XTest).

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "e2e/image.h"
#include "e2e/process.h"

using Display = struct _XDisplay;

namespace lumova::e2e {

struct WindowInfo {
  unsigned long id = 0;
  std::string title;  // exactly as the window set it (UTF-8)
  Rect geometry;      // in root coordinates, border excluded
  bool viewable = false;
};

enum class MouseButton { Left = 1, Middle = 2, Right = 3 };

class XSession {
 public:
  XSession() = default;
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  // Starts Xvfb on a free display number (one screen, 24 bits deep) and
  // connects to it. Xvfb's messages go to the log file. Throws HarnessError.
  void start(int width, int height, const std::filesystem::path& log);
  // Several monitors (width, height), left to right with their tops aligned:
  // Xephyr with one Xinerama screen each, nested in an Xvfb. Needs Wine's
  // UseXRandR off to be seen as monitors.
  void start(const std::vector<std::pair<int, int>>& monitors, const std::filesystem::path& log);
  void stop();
  bool started() const { return display_ != nullptr; }

  const std::string& displayName() const { return name_; }  // ":N"
  pid_t serverPid() const { return xvfb_.pid(); }
  int width() const { return width_; }
  int height() const { return height_; }
  Rect screen() const { return {0, 0, width_, height_}; }

  // What the screen shows (the pointer is never part of it).
  Image capture();
  Image capture(const Rect& r);

  // Children of the root window, bottom of the stacking order first.
  std::vector<WindowInfo> topLevelWindows();
  // The first viewable (or any, if asked) top-level window with this exact title.
  std::optional<WindowInfo> findWindow(std::string_view title, bool viewableOnly = true);
  // Waits for findWindow to succeed.
  std::optional<WindowInfo> waitForWindow(std::string_view title, std::chrono::milliseconds timeout);
  // No viewable top-level window above this one overlaps it.
  bool isOnTop(unsigned long window);

  // Keys by keysym name ("a", "Return", "Shift_L", "F1"); false for an
  // unknown name or a keysym the keyboard map lacks.
  bool keyDown(std::string_view keysym);
  bool keyUp(std::string_view keysym);
  bool pressKey(std::string_view keysym);
  // Types printable ASCII text, newline and tab, using Shift where needed.
  bool typeText(std::string_view text);

  void movePointer(int x, int y);
  void buttonDown(MouseButton b = MouseButton::Left);
  void buttonUp(MouseButton b = MouseButton::Left);
  void click(int x, int y, MouseButton b = MouseButton::Left);
  Point pointer();

 private:
  bool keyEvent(unsigned long keysym, bool down);
  bool typeChar(char c);
  void sync();

  ChildProcess xvfb_;         // the server the session connects to
  ChildProcess outerServer_;  // the Xvfb a nested Xephyr shows on
  Display* display_ = nullptr;
  std::string name_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace lumova::e2e
