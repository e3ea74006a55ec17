// XSession against a private Xvfb, with windows this test makes itself
// through its own connection (no Wine involved).
// GoogleTest first: Xlib defines None, True and False as macros.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <filesystem>
#include <memory>
#include <string>

#include "e2e/wait.h"
#include "e2e/x_session.h"

namespace lumova::e2e {
namespace {
namespace fs = std::filesystem;

class XSessionOnXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    log_ = fs::temp_directory_path() / (std::string("lumova-e2e-xvfb-") + name + ".log");
    x_.start(320, 240, log_);
    client_ = XOpenDisplay(x_.displayName().c_str());
    ASSERT_NE(client_, nullptr);
  }
  void TearDown() override {
    if (client_) XCloseDisplay(client_);
    x_.stop();
    fs::remove(log_);
  }

  // A mapped top-level window with the title (as _NET_WM_NAME, UTF-8, the way
  // Wine sets it) and a background colour.
  Window makeWindow(const std::string& title, Rect r, unsigned long colour, long events = 0) {
    XSetWindowAttributes a{};
    a.background_pixel = colour;
    a.override_redirect = True;
    a.event_mask = events;
    const Window w = XCreateWindow(client_, DefaultRootWindow(client_), r.x, r.y, static_cast<unsigned>(r.width),
                                   static_cast<unsigned>(r.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                   CWBackPixel | CWOverrideRedirect | CWEventMask, &a);
    XChangeProperty(client_, w, XInternAtom(client_, "_NET_WM_NAME", False), XInternAtom(client_, "UTF8_STRING", False),
                    8, PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XMapRaised(client_, w);
    XSync(client_, False);
    return w;
  }

  fs::path log_;
  XSession x_;
  Display* client_ = nullptr;
};

TEST_F(XSessionOnXvfb, FindsWindowsByExactTitle) {
  const Window plain = makeWindow("Lumova Screen Saver", {10, 20, 100, 50}, 0xFF0000);
  const Window blank = makeWindow(" Lumova Screen Saver", {30, 40, 60, 70}, 0x00FF00);
  const Window hidden = XCreateSimpleWindow(client_, DefaultRootWindow(client_), 0, 0, 5, 5, 0, 0, 0);
  XStoreName(client_, hidden, "Hidden");
  XSync(client_, False);

  const auto found = x_.findWindow("Lumova Screen Saver");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->id, plain);
  EXPECT_EQ(found->geometry, (Rect{10, 20, 100, 50}));
  const auto withBlank = x_.findWindow(" Lumova Screen Saver");
  ASSERT_TRUE(withBlank);
  EXPECT_EQ(withBlank->id, blank);
  EXPECT_FALSE(x_.findWindow("Lumova Screen"));
  EXPECT_FALSE(x_.findWindow("Hidden")) << "unmapped windows are not found unless asked for";
  const auto unmapped = x_.findWindow("Hidden", false);
  ASSERT_TRUE(unmapped) << "WM_NAME is read when _NET_WM_NAME is missing";
  EXPECT_FALSE(unmapped->viewable);

  EXPECT_TRUE(x_.isOnTop(blank));
  EXPECT_FALSE(x_.isOnTop(plain)) << "the second window overlaps it from above";
  XRaiseWindow(client_, plain);
  XSync(client_, False);
  EXPECT_TRUE(x_.isOnTop(plain));
}

TEST_F(XSessionOnXvfb, CaptureShowsWhatWindowsShow) {
  makeWindow("red", {10, 20, 30, 40}, 0xFF0000);
  const Image screen = x_.capture();
  ASSERT_EQ(screen.width(), 320);
  ASSERT_EQ(screen.height(), 240);
  EXPECT_EQ(boundsOfOther(screen, screen.pixel(0, 0)), (Rect{10, 20, 30, 40}));
  EXPECT_EQ(uniformColour(screen, {10, 20, 30, 40}), rgb(255, 0, 0));
  const Image part = x_.capture({5, 15, 10, 10});
  ASSERT_EQ(part.width(), 10);
  EXPECT_EQ(part.pixel(5, 5), rgb(255, 0, 0));
  EXPECT_NE(part.pixel(4, 4), rgb(255, 0, 0));
}

TEST_F(XSessionOnXvfb, KeysAndTextArriveAsTyped) {
  const Window w = makeWindow("keys", {0, 0, 320, 240}, 0, KeyPressMask | KeyReleaseMask);
  XSetInputFocus(client_, w, RevertToParent, CurrentTime);
  XSync(client_, False);

  ASSERT_TRUE(x_.pressKey("Shift_L"));
  ASSERT_TRUE(x_.typeText("aB!\n"));
  EXPECT_FALSE(x_.pressKey("NoSuchKey"));
  EXPECT_FALSE(x_.typeText("\x01"));

  std::string typed;
  std::vector<std::string> pressed;
  ASSERT_TRUE(waitUntil(
      [&] {
        while (XPending(client_)) {
          XEvent e;
          XNextEvent(client_, &e);
          if (e.type != KeyPress) continue;
          char text[8] = {};
          KeySym sym = NoSymbol;
          const int n = XLookupString(&e.xkey, text, sizeof text, &sym, nullptr);
          pressed.emplace_back(XKeysymToString(sym) ? XKeysymToString(sym) : "?");
          typed.append(text, static_cast<std::size_t>(n));
        }
        return typed.size() >= 4;
      },
      std::chrono::seconds(5)));
  EXPECT_EQ(typed, "aB!\r");
  ASSERT_FALSE(pressed.empty());
  EXPECT_EQ(pressed.front(), "Shift_L") << "a lone modifier is a key press of its own";
}

TEST_F(XSessionOnXvfb, PointerMovesAndClicks) {
  const Window w = makeWindow("mouse", {0, 0, 320, 240}, 0, ButtonPressMask);
  x_.movePointer(300, 200);
  EXPECT_EQ(x_.pointer(), (Point{300, 200}));
  x_.movePointer(5000, 5000);
  EXPECT_EQ(x_.pointer(), (Point{319, 239})) << "the server keeps the pointer on the screen";
  x_.click(12, 34, MouseButton::Right);
  XEvent e{};
  ASSERT_TRUE(waitUntil([&] { return XCheckWindowEvent(client_, w, ButtonPressMask, &e); }, std::chrono::seconds(5)));
  EXPECT_EQ(e.xbutton.button, 3u);
  EXPECT_EQ(e.xbutton.x, 12);
  EXPECT_EQ(e.xbutton.y, 34);
}

}  // namespace
}  // namespace lumova::e2e
