#include "e2e/x_session.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "e2e/harness_error.h"
#include "e2e/wait.h"

namespace lumova::e2e {
namespace {

// Windows of other programs come and go while the harness looks at them; a
// window gone between listing and asking must not end the test program, which
// is what Xlib's default error handler does.
int ignoreXErrors(Display*, XErrorEvent*) { return 0; }

struct XFreeDeleter {
  void operator()(void* p) const {
    if (p) XFree(p);
  }
};

std::optional<std::string> utf8Property(Display* d, Window w, Atom property, Atom type) {
  Atom actualType = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(d, w, property, 0, 1 << 16, False, type, &actualType, &format, &count, &remaining, &raw) !=
      Success)
    return std::nullopt;
  std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
  if (actualType != type || format != 8 || !data) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(data.get()), count);
}

std::string windowTitle(Display* d, Window w) {
  const Atom netWmName = XInternAtom(d, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  if (auto title = utf8Property(d, w, netWmName, utf8)) return *title;
  XTextProperty prop{};
  if (!XGetWMName(d, w, &prop) || !prop.value) return {};
  std::unique_ptr<unsigned char, XFreeDeleter> value(prop.value);
  char** list = nullptr;
  int n = 0;
  std::string title;
  if (Xutf8TextPropertyToTextList(d, &prop, &list, &n) >= Success && list) {
    if (n > 0) title = list[0];
    XFreeStringList(list);
  }
  return title;
}

int maskShift(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

// Scales a channel of any width to eight bits.
unsigned channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  const int shift = maskShift(mask);
  const unsigned long max = mask >> shift;
  return static_cast<unsigned>(((pixel & mask) >> shift) * 255 / max);
}

}  // namespace

XSession::~XSession() { stop(); }

namespace {

// Starts an X server that takes -displayfd and returns its display, ":N".
std::string startServer(ChildProcess& server, SpawnOptions options, const std::filesystem::path& log) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw HarnessError(std::string("pipe: ") + std::strerror(errno));
  // -displayfd: the server picks a free display and writes its number once
  // it accepts connections, so there is nothing to guess and nothing to race.
  options.argv.insert(options.argv.begin() + 1, {"-displayfd", "3"});
  options.output = log;
  options.passFd = fds[1];
  try {
    server = ChildProcess::spawn(options);
  } catch (...) {
    ::close(fds[0]);
    ::close(fds[1]);
    throw;
  }
  ::close(fds[1]);

  std::string number;
  bool complete = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!complete && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char c;
    const ssize_t n = ::read(fds[0], &c, 1);
    if (n <= 0) break;  // the server ended without a display
    if (c == '\n') {
      complete = !number.empty();
    } else {
      number += c;
    }
  }
  ::close(fds[0]);
  if (!complete) {
    server.stop();
    throw HarnessError(options.argv[0] + " did not report a display (see " + log.string() + ")");
  }
  return ":" + number;
}

}  // namespace

void XSession::start(int width, int height, const std::filesystem::path& log) { start({{width, height}}, log); }

void XSession::start(const std::vector<std::pair<int, int>>& monitors, const std::filesystem::path& log) {
  if (started()) throw HarnessError("X session already started");
  if (monitors.empty()) throw HarnessError("no monitor to start");
  int width = 0, height = 0;
  for (const auto& [w, h] : monitors) width += w, height = std::max(height, h);
  SpawnOptions options;
  if (monitors.size() == 1) {
    options.argv = {"Xvfb",      "-screen", "0",       std::to_string(width) + "x" + std::to_string(height) + "x24",
                    "-nolisten", "tcp",     "-noreset"};
    name_ = startServer(xvfb_, options, log);
  } else {
    // Monitors side by side, left to right, tops aligned, as Xinerama
    // screens of a nested server: Wine sees each as a monitor of its own.
    SpawnOptions outer;
    outer.argv = {"Xvfb",      "-screen", "0",       std::to_string(width) + "x" + std::to_string(height) + "x24",
                  "-nolisten", "tcp",     "-noreset"};
    const std::string outerName = startServer(outerServer_, outer, log.string() + ".outer");
    options.argv = {"Xephyr", "+xinerama", "-nolisten", "tcp", "-noreset"};
    for (const auto& [w, h] : monitors) {
      options.argv.push_back("-screen");
      options.argv.push_back(std::to_string(w) + "x" + std::to_string(h));
    }
    options.env["DISPLAY"] = outerName;
    try {
      name_ = startServer(xvfb_, options, log);
    } catch (...) {
      outerServer_.stop();
      throw;
    }
  }
  width_ = width;
  height_ = height;

  XSetErrorHandler(ignoreXErrors);
  display_ = XOpenDisplay(name_.c_str());
  if (!display_) {
    xvfb_.stop();
    throw HarnessError("cannot connect to Xvfb on " + name_);
  }
  int eventBase, errorBase, major, minor;
  if (!XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor)) {
    stop();
    throw HarnessError("Xvfb on " + name_ + " lacks the XTEST extension");
  }
}

void XSession::stop() {
  if (display_) {
    XCloseDisplay(display_);
    display_ = nullptr;
  }
  xvfb_.stop();
  outerServer_.stop();
}

void XSession::sync() {
  if (display_) XSync(display_, False);
}

Image XSession::capture() { return capture(screen()); }

Image XSession::capture(const Rect& wanted) {
  const Rect r = wanted.intersect(screen());
  if (!display_ || r.empty()) return {};
  XImage* raw = XGetImage(display_, DefaultRootWindow(display_), r.x, r.y, static_cast<unsigned>(r.width),
                          static_cast<unsigned>(r.height), AllPlanes, ZPixmap);
  if (!raw) return {};
  // XDestroyImage is a macro, so it cannot be the deleter itself.
  auto destroy = [](XImage* i) { XDestroyImage(i); };
  std::unique_ptr<XImage, decltype(destroy)> xi(raw, destroy);
  Image out(r.width, r.height);
  const bool plain32 = xi->bits_per_pixel == 32 && xi->red_mask == 0xFF0000 && xi->green_mask == 0xFF00 &&
                       xi->blue_mask == 0xFF && xi->byte_order == LSBFirst;
  for (int y = 0; y < r.height; ++y) {
    const auto* row =
        reinterpret_cast<const std::uint32_t*>(xi->data + static_cast<std::ptrdiff_t>(y) * xi->bytes_per_line);
    for (int x = 0; x < r.width; ++x) {
      if (plain32) {
        out.setPixel(x, y, row[x] & 0xFFFFFF);
      } else {
        const unsigned long p = XGetPixel(xi.get(), x, y);
        out.setPixel(x, y,
                     rgb(static_cast<int>(channel(p, xi->red_mask)), static_cast<int>(channel(p, xi->green_mask)),
                         static_cast<int>(channel(p, xi->blue_mask))));
      }
    }
  }
  return out;
}

std::vector<WindowInfo> XSession::topLevelWindows() {
  std::vector<WindowInfo> result;
  if (!display_) return result;
  const Window root = DefaultRootWindow(display_);
  Window rootReturn = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display_, root, &rootReturn, &parent, &children, &count)) return result;
  std::unique_ptr<Window, XFreeDeleter> owned(children);
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, children[i], &attributes)) continue;  // already gone
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, children[i], root, 0, 0, &x, &y, &child);
    WindowInfo info;
    info.id = children[i];
    info.title = windowTitle(display_, children[i]);
    info.geometry = {x, y, attributes.width, attributes.height};
    info.viewable = attributes.map_state == IsViewable;
    result.push_back(std::move(info));
  }
  return result;
}

std::optional<WindowInfo> XSession::findWindow(std::string_view title, bool viewableOnly) {
  for (auto& w : topLevelWindows())
    if (w.title == title && (w.viewable || !viewableOnly)) return w;
  return std::nullopt;
}

std::optional<WindowInfo> XSession::waitForWindow(std::string_view title, std::chrono::milliseconds timeout) {
  std::optional<WindowInfo> found;
  waitUntil([&] { return (found = findWindow(title)).has_value(); }, timeout, 50ms);
  return found;
}

bool XSession::isOnTop(unsigned long window) {
  const auto windows = topLevelWindows();
  bool seen = false;
  Rect mine;
  for (const auto& w : windows) {
    if (w.id == window) {
      seen = true;
      mine = w.geometry;
    } else if (seen && w.viewable && !w.geometry.intersect(mine).empty()) {
      return false;
    }
  }
  return seen;
}

bool XSession::keyEvent(unsigned long keysym, bool down) {
  if (!display_ || keysym == NoSymbol) return false;
  const KeyCode code = XKeysymToKeycode(display_, keysym);
  if (code == 0) return false;
  XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
  sync();
  return true;
}

bool XSession::keyDown(std::string_view keysym) { return keyEvent(XStringToKeysym(std::string(keysym).c_str()), true); }

bool XSession::keyUp(std::string_view keysym) { return keyEvent(XStringToKeysym(std::string(keysym).c_str()), false); }

bool XSession::pressKey(std::string_view keysym) { return keyDown(keysym) && keyUp(keysym); }

bool XSession::typeChar(char c) {
  KeySym sym = NoSymbol;
  if (c == '\n') {
    sym = XK_Return;
  } else if (c == '\t') {
    sym = XK_Tab;
  } else if (c >= 0x20 && c < 0x7F) {
    sym = static_cast<KeySym>(c);  // printable ASCII keysyms are their own codes
  } else {
    return false;
  }
  const KeyCode code = XKeysymToKeycode(display_, sym);
  if (code == 0) return false;
  bool shift;
  if (XkbKeycodeToKeysym(display_, code, 0, 0) == sym) {
    shift = false;
  } else if (XkbKeycodeToKeysym(display_, code, 0, 1) == sym) {
    shift = true;
  } else {
    return false;
  }
  if (shift) keyEvent(XK_Shift_L, true);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  if (shift) keyEvent(XK_Shift_L, false);
  sync();
  return true;
}

bool XSession::typeText(std::string_view text) {
  if (!display_) return false;
  for (char c : text)
    if (!typeChar(c)) return false;
  return true;
}

void XSession::movePointer(int x, int y) {
  if (!display_) return;
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  sync();
}

void XSession::buttonDown(MouseButton b) {
  if (!display_) return;
  XTestFakeButtonEvent(display_, static_cast<unsigned>(b), True, CurrentTime);
  sync();
}

void XSession::buttonUp(MouseButton b) {
  if (!display_) return;
  XTestFakeButtonEvent(display_, static_cast<unsigned>(b), False, CurrentTime);
  sync();
}

void XSession::click(int x, int y, MouseButton b) {
  movePointer(x, y);
  buttonDown(b);
  buttonUp(b);
}

Point XSession::pointer() {
  if (!display_) return {};
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned mask = 0;
  XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &winX, &winY, &mask);
  return {rootX, rootY};
}

}  // namespace lumova::e2e
