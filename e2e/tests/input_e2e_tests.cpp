// The real Lumova.scr under Wine, driven by real keys, clicks and pointer
// movement: what ends an unprotected saver, and the password prompt of a
// protected one.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "e2e/e2e_test.h"
#include "e2e/files.h"
#include "e2e/harness_error.h"
#include "e2e/wait.h"

namespace lumova::e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kSaverTitle = "Lumova Screen Saver";
constexpr std::string_view kPromptTitle = "Password Protection";
constexpr double kExitWithinSeconds = 0.5;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

struct Options {
  bool protection = false;
  std::string password;
  int interval = 0;  // seconds between pictures; 0: never change
  bool keysSteer = false;
};

// Pictures of plain colours and a complete settings file naming them.
void install(WineDesktop& d, const std::vector<Image>& pictures, const Options& o) {
  std::filesystem::create_directories(d.saverDir());
  std::string ini = "[total]\r\ntotal=" + std::to_string(pictures.size()) + "\r\n[images]\r\n";
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const std::string file = "picture" + std::to_string(i) + ".bmp";
    ASSERT_TRUE(saveBmp(pictures[i], d.saverDir() / file));
    ini += std::to_string(i) + "=C:\\Lumova\\" + file + "\r\n";
  }
  ini += "[caption]\r\n";
  for (std::size_t i = 0; i < pictures.size(); ++i) ini += std::to_string(i) + "=\r\n";
  ini += "[image]\r\nrandomPick=0\r\npicSpeed=0\r\ntimeInterval=" + std::to_string(o.interval) +
         "\r\npicRandom=cent\r\npicChange=" + (o.interval > 0 ? "ch" : "not_ch") +
         "\r\neffectMode=0\r\nrandomEffect=0\r\nkeysSteer=" + (o.keysSteer ? "1" : "0") +
         "\r\n"
         "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n"
         "[password]\r\nsaverPassword=" +
         o.password + "\r\nsaverEnabled=" + (o.protection ? "1" : "0") +
         "\r\n"
         "[font]\r\nnewFontName=Arial\r\nnewFontSize=12\r\nnewFontBold=False\r\nnewFontItalic=False\r\n"
         "newFontUnderline=False\r\nnewFontFontStrikethru=False\r\nnewFontForeColor=16777215\r\n";
  d.installSaver(ini);
}

// A mouse as the hand moves it: relative motion through XTest. Wine confines
// the pointer to a full-screen window and then reads raw device motion as
// deltas; absolute test motion would reach it as jumps to the screen's edge.
class RelativeMouse {
 public:
  explicit RelativeMouse(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    if (!display_) throw HarnessError("cannot open display " + display);
  }
  ~RelativeMouse() { XCloseDisplay(display_); }
  RelativeMouse(const RelativeMouse&) = delete;
  RelativeMouse& operator=(const RelativeMouse&) = delete;

  void move(int dx, int dy) {
    XTestFakeRelativeMotionEvent(display_, dx, dy, CurrentTime);
    XSync(display_, False);
  }

 private:
  Display* display_;
};

class InputE2E : public E2ETest {
 protected:
  // Starts the saver and waits until its first picture is on the screen.
  WineProcess& startSaver(Rgb firstPicture) {
    WineProcess& saver = desktop().startSaver("/s");
    // Generous: on a loaded machine a Wine start has taken over 10 s.
    const auto window = screen().waitForWindow(kSaverTitle, 30s);
    EXPECT_TRUE(window) << "no saver window";
    EXPECT_TRUE(waitUntil([&] { return countDifferent(screen().capture(), centre_, firstPicture, 8) == 0; }, 10s))
        << "the first picture did not appear";
    return saver;
  }
  // Seconds from now until the program ends; nothing if not within the time-out.
  std::optional<double> secondsToExit(WineProcess& saver, Clock::time_point from, std::chrono::milliseconds timeout) {
    if (!saver.waitForExit(timeout)) return std::nullopt;
    return secondsSince(from);
  }
  // A pointer movement over the background, leftwards along the bottom of
  // the screen from where the pointer was parked, as a hand makes it:
  // reports apart in time. Windows merges movement reports still waiting
  // in the queue into one, so reports too close together could count as one.
  void moveOnBackground() {
    if (!mouse_) {
      mouse_ = std::make_unique<RelativeMouse>(screen().displayName());
      mouse_->move(-200, -60);  // off the bottom and right edges
      return;
    }
    std::this_thread::sleep_for(150ms);
    mouse_->move(-30, (++moves_ % 2) ? -4 : 4);
  }
  void TearDown() override {
    mouse_.reset();  // before the display goes
    E2ETest::TearDown();
  }

  // Brings the movement counter to a known state, whatever the window saw
  // of the pointer while it appeared (a report of the parked pointer, or
  // none). A few movements leave a burst open; after a pause the next
  // counted movement finds it expired, and the count starts from nothing.
  void settleMovementCount() {
    for (int i = 0; i < 3; ++i) moveOnBackground();
    std::this_thread::sleep_for(3s);  // the user's pause: over 2.5 s, however the start was rounded
    moveOnBackground();
  }

  const Rect centre_{462, 334, 100, 100};  // inside any picture at least 100x100
  std::unique_ptr<RelativeMouse> mouse_;
  int moves_ = 0;
};

// Pixels of the screen close to this colour inside the rectangle.
long long countNear(const Image& shot, const Rect& r, Rgb colour, int tolerance) {
  const Rect clipped = r.intersect(shot.bounds());
  return static_cast<long long>(clipped.width) * clipped.height - countDifferent(shot, clipped, colour, tolerance);
}

TEST_F(InputE2E, ALoneKeyEndsTheUnprotectedSaver) {
  install(desktop(), {Image(200, 150, rgb(200, 40, 40))}, {});
  // The keys that steer the show too, when the settings do not ask for it.
  for (const char* key : {"Shift_L", "Control_L", "Alt_L", "F10", "x", "Right", "space", "h"}) {
    SCOPED_TRACE(key);
    WineProcess& saver = startSaver(rgb(200, 40, 40));
    const auto pressed = Clock::now();
    ASSERT_TRUE(screen().pressKey(key));
    const auto took = secondsToExit(saver, pressed, 5s);
    ASSERT_TRUE(took) << "still running 5 s after the key";
    std::cout << key << ": ended " << *took << " s after the key\n";
    EXPECT_LT(*took, kExitWithinSeconds);
    // The next start waits for this window to go: while Wine is still
    // tearing it down, a new window can lose its first key.
    ASSERT_TRUE(waitUntil([&] { return !screen().findWindow(kSaverTitle, false); }, 5s))
        << "the window outlived the program";
  }
}

TEST_F(InputE2E, AKeyInTheMiddleOfAWipeEndsTheSaverAtOnce) {
  // 2000 columns: a left wipe of two seconds, of which the screen shows the
  // middle 1024.
  const Rgb red = rgb(200, 40, 40);
  std::filesystem::create_directories(desktop().saverDir());
  ASSERT_TRUE(saveBmp(Image(2000, 300, red), desktop().saverDir() / "wide.bmp"));
  desktop().installSaver(
      "[total]\r\ntotal=1\r\n[images]\r\n0=C:\\Lumova\\wide.bmp\r\n[caption]\r\n0=\r\n"
      "[image]\r\ntimeInterval=0\r\npicRandom=cent\r\neffectMode=1\r\nrandomEffect=0\r\n"
      "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n");
  WineProcess& saver = desktop().startSaver("/s");
  ASSERT_TRUE(screen().waitForWindow(kSaverTitle, 10s));
  const Rect row{0, 384, 1024, 1};
  ASSERT_TRUE(waitUntil(
      [&] {
        const long long shown = countNear(screen().capture(row), Rect{0, 0, 1024, 1}, red, 8);
        return shown > 100 && shown < 700;  // about a third of the way through
      },
      10s, 5ms))
      << "no screenshot caught the wipe under way";
  const auto pressed = Clock::now();
  ASSERT_TRUE(screen().pressKey("x"));
  const auto took = secondsToExit(saver, pressed, 5s);
  ASSERT_TRUE(took) << "still running 5 s after the key";
  std::cout << "key in the middle of a wipe: ended " << *took << " s after the key\n";
  EXPECT_LT(*took, kExitWithinSeconds);
}

TEST_F(InputE2E, AClickOnTheBackgroundEndsItAClickOnThePictureDoesNot) {
  install(desktop(), {Image(200, 150, rgb(200, 40, 40))}, {});
  WineProcess& saver = startSaver(rgb(200, 40, 40));
  screen().click(512, 384);  // the middle of the picture
  EXPECT_FALSE(saver.waitForExit(1500ms)) << "a click on the picture ended the saver";

  const auto clicked = Clock::now();
  screen().click(100, 700);
  const auto took = secondsToExit(saver, clicked, 5s);
  ASSERT_TRUE(took) << "still running 5 s after a click on the background";
  std::cout << "ended " << *took << " s after the click\n";
  EXPECT_LT(*took, kExitWithinSeconds);
}

TEST_F(InputE2E, FiveMovementsEndTheSaver) {
  install(desktop(), {Image(200, 150, rgb(200, 40, 40))}, {});
  WineProcess& saver = startSaver(rgb(200, 40, 40));
  settleMovementCount();
  ASSERT_TRUE(saver.running());
  for (int i = 0; i < 4; ++i) moveOnBackground();
  ASSERT_TRUE(saver.running()) << "ended before the fifth movement";
  moveOnBackground();
  const auto moved = Clock::now();
  const auto took = secondsToExit(saver, moved, 5s);
  ASSERT_TRUE(took) << "still running 5 s after the fifth movement";
  std::cout << "ended " << *took << " s after the fifth movement\n";
  EXPECT_LT(*took, kExitWithinSeconds);
}

TEST_F(InputE2E, FourMovementsAndAPauseDoNotEndTheSaver) {
  install(desktop(), {Image(200, 150, rgb(200, 40, 40))}, {});
  WineProcess& saver = startSaver(rgb(200, 40, 40));
  settleMovementCount();
  ASSERT_TRUE(saver.running());
  for (int i = 0; i < 4; ++i) moveOnBackground();
  EXPECT_FALSE(saver.waitForExit(3s)) << "four movements ended the saver";
  // No movement found the burst expired in between: the fifth still counts.
  moveOnBackground();
  EXPECT_TRUE(saver.waitForExit(5s)) << "the fifth movement after the pause did not end the saver";
}

// Four pictures of their own colours, in list order, steered by the keys.
const std::vector<Rgb> kFour = {rgb(200, 40, 40), rgb(40, 200, 60), rgb(50, 70, 230), rgb(230, 200, 40)};

class SteeringE2E : public InputE2E {
 protected:
  void installFour(int interval, bool keysSteer) {
    std::vector<Image> pictures;
    for (Rgb c : kFour) pictures.emplace_back(200, 150, c);
    install(desktop(), pictures, Options{.interval = interval, .keysSteer = keysSteer});
  }
  bool showing(int picture) { return countDifferent(screen().capture(), centre_, kFour[picture], 8) == 0; }
  bool comes(int picture, std::chrono::milliseconds within = 5s) {
    return waitUntil([&] { return showing(picture); }, within);
  }
};

TEST_F(SteeringE2E, ArrowsStepBackAndForthSpacePausesEscapeEnds) {
  installFour(5, true);
  WineProcess& saver = startSaver(kFour[0]);
  for (const auto& [key, picture] : std::vector<std::pair<const char*, int>>{{"Right", 1}, {"Right", 2}, {"Left", 1}}) {
    ASSERT_TRUE(screen().pressKey(key));
    ASSERT_TRUE(comes(picture)) << key << ": picture " << picture << " did not come";
  }
  ASSERT_TRUE(screen().pressKey("space"));
  const auto paused = Clock::now();  // over two intervals and then some, the picture holds
  waitUntil([&] { return !showing(1) || secondsSince(paused) > 11; }, 20s, 100ms);
  EXPECT_GT(secondsSince(paused), 11) << "the pause let the picture change";
  ASSERT_TRUE(screen().pressKey("space"));
  EXPECT_TRUE(comes(2, 15s)) << "space did not resume the show";
  ASSERT_TRUE(screen().pressKey("Escape"));
  EXPECT_TRUE(saver.waitForExit(5s)) << "Escape did not end the saver";
}

TEST_F(SteeringE2E, HHidesAPictureForGoodAcrossRuns) {
  installFour(60, true);  // the picture after the hidden one comes from the key
  WineProcess& first = startSaver(kFour[0]);
  ASSERT_TRUE(screen().pressKey("Right"));
  ASSERT_TRUE(comes(1));
  ASSERT_TRUE(screen().pressKey("h"));
  EXPECT_TRUE(comes(2)) << "the next picture did not come";
  ASSERT_TRUE(screen().pressKey("Escape"));
  ASSERT_TRUE(first.waitForExit(5s));
  EXPECT_EQ(readFile(desktop().saverDir() / "zbfaone.hidden"), "C:\\Lumova\\picture1.bmp\r\n");
  EXPECT_TRUE(std::filesystem::exists(desktop().saverDir() / "picture1.bmp"));

  ASSERT_TRUE(waitUntil([&] { return !screen().findWindow(kSaverTitle, false); }, 5s));
  installFour(1, false);
  startSaver(kFour[0]);
  std::vector<int> seen;  // each picture as it comes, two rounds of the others
  const auto comesNext = [&] {
    for (int i = 0; i < 4; ++i)
      if (showing(i) && (seen.empty() || seen.back() != i)) seen.push_back(i);
    return seen.size() >= 6;
  };
  EXPECT_TRUE(waitUntil(comesNext, 30s, 50ms)) << "the show did not go on";
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 0) << "the hidden picture came again";
}

class ProtectedE2E : public InputE2E {
 protected:
  static constexpr Rgb kGreen = rgb(40, 200, 60);
  static constexpr Rgb kBlue = rgb(50, 70, 230);
  // Inside the 640x480 pictures, clear of the prompt in the middle.
  static constexpr Rect kSample{210, 160, 120, 100};

  WineProcess& startProtected() {
    install(desktop(), {Image(640, 480, kGreen), Image(640, 480, kBlue)}, Options{true, "Open Sesame", 1});
    return startSaver(kGreen);
  }
  std::optional<WindowInfo> waitForPrompt() { return screen().waitForWindow(kPromptTitle, 5s); }
  bool promptHidden() {
    return waitUntil([&] { return !screen().findWindow(kPromptTitle); }, 5s);
  }
  // The prompt's client area: a frame of equal width on three sides and
  // the caption on top; 208x168 pixels at 96 DPI.
  static Rect clientOf(const WindowInfo& prompt) {
    const int side = (prompt.geometry.width - 208) / 2;
    return Rect{prompt.geometry.x + side, prompt.geometry.bottom() - side - 168, 208, 168};
  }
  long long redPixels(const WindowInfo& prompt) {
    return countNear(screen().capture(), prompt.geometry, rgb(255, 0, 0), 40);
  }
  // Dark text pixels in the note box, inside its border.
  long long noteInk(const WindowInfo& prompt) {
    const Rect c = clientOf(prompt);
    return countNear(screen().capture(), Rect{c.x + 12, c.y + 28, 185, 80}, rgb(0, 0, 0), 80);
  }
};

TEST_F(ProtectedE2E, AKeyBringsUpThePromptInFrontOfTheRunningSlideshow) {
  WineProcess& saver = startProtected();
  const auto pressed = Clock::now();
  ASSERT_TRUE(screen().pressKey("Shift_L"));
  const auto prompt = waitForPrompt();
  ASSERT_TRUE(prompt) << "no \"Password Protection\" window";
  std::cout << "prompt up " << secondsSince(pressed) << " s after the key, at " << prompt->geometry << "\n";
  EXPECT_TRUE(screen().isOnTop(prompt->id)) << "the prompt is not in front";
  EXPECT_TRUE(saver.running());
  EXPECT_EQ(redPixels(*prompt), 0) << "the notice shows before any attempt";

  // The slideshow goes on behind the prompt.
  for (Rgb next : {kBlue, kGreen}) {
    EXPECT_TRUE(waitUntil([&] { return uniformColour(screen().capture(), kSample, 8) == next; }, 10s))
        << "the picture behind the prompt did not change";
  }
  EXPECT_TRUE(screen().isOnTop(prompt->id));

  // A wrong password shows the notice; the next key hides it.
  ASSERT_TRUE(screen().typeText("open sesame\n"));
  EXPECT_TRUE(waitUntil([&] { return redPixels(*prompt) > 40; }, 5s)) << "no \"INVALID PASSWORD!\"";
  EXPECT_TRUE(saver.running());
  ASSERT_TRUE(screen().typeText("O"));
  EXPECT_TRUE(waitUntil([&] { return redPixels(*prompt) == 0; }, 5s)) << "the notice stayed after a key";

  // The box was emptied: "O" and the rest make the password on their own.
  ASSERT_TRUE(screen().typeText("pen Sesame"));
  const auto entered = Clock::now();
  ASSERT_TRUE(screen().pressKey("Return"));
  const auto took = secondsToExit(saver, entered, 5s);
  ASSERT_TRUE(took) << "the correct password did not end the saver";
  std::cout << "ended " << *took << " s after Enter on the correct password\n";
  EXPECT_LT(*took, kExitWithinSeconds);
}

TEST_F(ProtectedE2E, EnterHidesThePromptAndTheNoteIsThereNextTime) {
  WineProcess& saver = startProtected();
  ASSERT_TRUE(screen().pressKey("a"));
  auto prompt = waitForPrompt();
  ASSERT_TRUE(prompt);
  // Waited for: a window just mapped may not have painted yet (all black).
  EXPECT_TRUE(waitUntil([&] { return noteInk(*prompt) == 0; }, 2s)) << "the note box starts blank";

  // Into the note box, a note, Enter: the prompt goes away.
  const Rect client = clientOf(*prompt);
  screen().click(client.x + 104, client.y + 68);
  ASSERT_TRUE(screen().typeText("Back at 3, Ann\n"));
  ASSERT_TRUE(promptHidden()) << "Enter in the note box did not hide the prompt";
  const auto saverWindow = screen().findWindow(kSaverTitle);
  ASSERT_TRUE(saverWindow);
  EXPECT_TRUE(waitUntil([&] { return screen().isOnTop(saverWindow->id); }, 2s)) << "the saver is not on top again";

  // Reacting again; the note is still there.
  ASSERT_TRUE(screen().pressKey("Shift_L"));
  prompt = waitForPrompt();
  ASSERT_TRUE(prompt) << "a key did not bring the prompt back";
  EXPECT_TRUE(waitUntil([&] { return noteInk(*prompt) > 30; }, 2s)) << "the note is gone";

  // Enter on the empty password box returns to the saver too, and a click
  // on the background interrupts it again.
  ASSERT_TRUE(screen().pressKey("Return"));
  ASSERT_TRUE(promptHidden()) << "Enter on an empty password box did not hide the prompt";
  EXPECT_TRUE(waitUntil([&] { return screen().isOnTop(saverWindow->id); }, 2s));
  screen().click(100, 700);
  EXPECT_TRUE(waitForPrompt()) << "a click did not bring the prompt back";
  EXPECT_TRUE(saver.running());
}

}  // namespace
}  // namespace lumova::e2e
