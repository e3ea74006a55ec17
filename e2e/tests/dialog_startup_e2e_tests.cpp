// The settings dialog "/c" under Wine: its tabs, Cancel, and OK's checks.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "e2e/files.h"
#include "e2e/e2e_paths.h"
#include "e2e/e2e_test.h"
#include "e2e/harness_error.h"
#include "e2e/wait.h"

namespace lumova::e2e {
namespace {

using namespace std::chrono_literals;
using DialogStartupE2E = E2ETest;

constexpr const char* kDialogTitle = " Lumova Screen Saver";

std::string preparedSettings() {
  return "; kept by hand\r\n[total]\r\ntotal=1\r\n[images]\r\n0=C:\\Lumova\\one.bmp\r\n[caption]\r\n0=Caf\xE9\r\n"
         "[image]\r\nrandomPick=0\r\npicSpeed=3\r\ntimeInterval=15\r\npicRandom=rand\r\npicChange=ch\r\n"
         "effectMode=4\r\nrandomEffect=0\r\n[background]\r\nnewBackColor=8421504\r\nbackEffect=0\r\n"
         "[password]\r\nsaverPassword=\r\nsaverEnabled=0\r\n[font]\r\nnewFontName=Arial\r\nnewFontSize=14\r\n"
         "newFontBold=False\r\nnewFontItalic=False\r\nnewFontUnderline=False\r\nnewFontFontStrikethru=False\r\n"
         "newFontForeColor=16777215\r\n[extra]\r\nmine=kept\r\n";
}

// The area once it has looked the same for half a second, has something
// drawn inside its frame, and differs from `unlike`.
Image settledCapture(XSession& screen, const Rect& area, const Image& unlike) {
  Image last, shot;
  auto lastChange = std::chrono::steady_clock::now();
  const Rect inside{8, area.height / 4, area.width - 16, area.height / 2};
  bool ok = waitUntil(
      [&] {
        shot = screen.capture(area);
        if (last.empty() || countDifferent(shot, shot.bounds(), last, Point{0, 0}) != 0)
          lastChange = std::chrono::steady_clock::now();
        last = shot;
        bool settled = std::chrono::steady_clock::now() - lastChange >= 500ms;
        bool drawn = !uniformColour(shot, inside, 8);
        bool changed = unlike.empty() || countDifferent(shot, shot.bounds(), unlike, Point{0, 0}) > 500;
        return settled && drawn && changed;
      },
      15s);
  if (!ok) throw HarnessError("the dialog did not settle");
  return shot;
}

// Brings the dialog to the keyboard: a click on its caption bar.
WindowInfo focusDialog(XSession& screen) {
  auto w = screen.waitForWindow(kDialogTitle, 10s);
  if (!w) throw HarnessError("the settings dialog did not open");
  screen.click(w->geometry.x + w->geometry.width / 2, w->geometry.y + 8);
  return *w;
}

TEST_F(DialogStartupE2E, ShowsItsThreeTabsAndCancelWritesNothing) {
  std::filesystem::create_directories(desktop().saverDir());
  ASSERT_TRUE(saveBmp(Image(320, 200, rgb(90, 140, 200)), desktop().saverDir() / "one.bmp"));
  desktop().installSaver(preparedSettings());
  const std::string before = readFile(desktop().saverDir() / "zbfaone.ini");

  WineProcess& dialog = desktop().startSaver("/c");
  WindowInfo w = focusDialog(screen());
  const Rect area = w.geometry;
  std::filesystem::create_directories(artifactsDir());
  Image previous;
  for (int tab = 1; tab <= 3; ++tab) {
    SCOPED_TRACE(tab);
    // Each tab looks different from the one before it.
    Image shot = settledCapture(screen(), area, previous);
    savePng(shot, artifactsDir() / ("dialog-tab-" + std::to_string(tab) + ".png"));
    previous = shot;
    screen().keyDown("Control_L");
    screen().pressKey("Tab");
    screen().keyUp("Control_L");
  }

  screen().pressKey("Escape");
  EXPECT_TRUE(dialog.waitForExit(5s));
  EXPECT_EQ(readFile(desktop().saverDir() / "zbfaone.ini"), before);
}

TEST_F(DialogStartupE2E, OkWithAnEmptyListSaysSoAndStays) {
  desktop().installSaver("[total]\r\ntotal=0\r\n");
  const std::string before = readFile(desktop().saverDir() / "zbfaone.ini");
  WineProcess& dialog = desktop().startSaver("/c");
  focusDialog(screen());
  screen().pressKey("Return");
  std::optional<WindowInfo> box;
  ASSERT_TRUE(waitUntil(
      [&] {
        box = screen().findWindow("Lumova Screen Saver");
        return box.has_value();
      },
      5s));
  EXPECT_TRUE(dialog.running());
  EXPECT_TRUE(screen().findWindow(kDialogTitle));
  screen().click(box->geometry.x + box->geometry.width / 2, box->geometry.y + box->geometry.height - 23);
  EXPECT_TRUE(waitUntil([&] { return !screen().findWindow("Lumova Screen Saver"); }, 5s));
  EXPECT_TRUE(dialog.running());
  EXPECT_EQ(readFile(desktop().saverDir() / "zbfaone.ini"), before);
}

// The texts of the window with this title and of its controls, as another
// program reads them (UTF-8, one a line); empty when there is no such window.
std::string windowTexts(WineDesktop& d, const std::string& title) {
  std::filesystem::remove(d.driveC() / "texts.txt");
  WineProcess& tool = d.launch(toolProgram(), "texts \"" + title + "\" C:\\texts.txt");
  if (tool.waitForExit(10s) != 0u) return {};
  return readFile(d.driveC() / "texts.txt");
}

// Clicks button `id` of the window with exactly this title from another
// program: it reaches the window whether or not it has the keyboard.
bool pressButton(WineDesktop& d, const std::string& title, int id) {
  WineProcess& tool = d.launch(toolProgram(), "press \"" + title + "\" " + std::to_string(id));
  return tool.waitForExit(10s) == 0u;
}

TEST_F(DialogStartupE2E, UnreadableSettingsAreSaidAndNeverReplaced) {
  desktop().installSaver(preparedSettings());
  const std::filesystem::path file = desktop().saverDir() / "zbfaone.ini";
  const std::string before = readFile(file);
  WineProcess& holder = desktop().launch(toolProgram(), "hold C:\\Lumova\\zbfaone.ini");
  // The dialog starts only once the file is held.
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(desktop().saverDir() / "zbfaone.ini.held"); }, 15s))
      << "the holder never opened the file";
  WineProcess& dialog = desktop().startSaver("/c");
  // Before the dialog: the message naming the file and why.
  std::string texts;
  ASSERT_TRUE(waitUntil(
      [&] {
        return (texts = windowTexts(desktop(), "Lumova Screen Saver")).find("C:\\Lumova\\zbfaone.ini") !=
               std::string::npos;
      },
      15s))
      << texts;
  EXPECT_NE(texts.find("Another program is using the file."), std::string::npos) << texts;
  ASSERT_TRUE(pressButton(desktop(), "Lumova Screen Saver", 1)) << "no message box to dismiss";
  ASSERT_TRUE(screen().waitForWindow(kDialogTitle, 10s)) << "no dialog after the message";
  ASSERT_TRUE(waitUntil([&] { return pressButton(desktop(), kDialogTitle, 1); }, 10s)) << "OK could not be pressed";
  ASSERT_TRUE(waitUntil(
      [&] { return windowTexts(desktop(), "Lumova Screen Saver").find("could not be read") != std::string::npos; },
      10s));
  EXPECT_TRUE(dialog.running());
  holder.kill();
  EXPECT_EQ(readFile(file), before);
}

TEST_F(DialogStartupE2E, OkRewritesEveryValueAsItWas) {
  std::filesystem::create_directories(desktop().saverDir());
  ASSERT_TRUE(saveBmp(Image(320, 200, rgb(90, 140, 200)), desktop().saverDir() / "one.bmp"));
  desktop().installSaver(preparedSettings());
  WineProcess& dialog = desktop().startSaver("/c");
  focusDialog(screen());
  screen().pressKey("Return");
  EXPECT_TRUE(dialog.waitForExit(5s));
  const std::string after = readFile(desktop().saverDir() / "zbfaone.ini");
  // Every setting comes back with the value it had; what the program does not
  // know stays too.
  for (const char* line :
       {"total=1", "0=C:\\Lumova\\one.bmp", "picSpeed=3", "timeInterval=15", "picRandom=rand", "picChange=ch",
        "effectMode=4", "newBackColor=8421504", "saverEnabled=0", "newFontName=Arial", "newFontSize=14",
        "newFontForeColor=16777215", "; kept by hand", "[extra]", "mine=kept"}) {
    SCOPED_TRACE(line);
    EXPECT_NE(after.find(std::string(line) + "\r\n"), std::string::npos) << after;
  }
  // A file whose values all fit the ANSI code page stays ANSI, and a second
  // OK leaves it byte for byte.
  EXPECT_NE(after.find("0=Caf\xE9\r\n"), std::string::npos) << after;
  WineProcess& again = desktop().startSaver("/c");
  focusDialog(screen());
  screen().pressKey("Return");
  EXPECT_TRUE(again.waitForExit(5s));
  EXPECT_EQ(readFile(desktop().saverDir() / "zbfaone.ini"), after);
}

// UTF-16 LE with a mark, as the wide profile calls write it.
std::string utf16File(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  std::u16string units;
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp;
    int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    cp = n == 1 ? c : c & (0xFF >> (n + 1));
    for (int k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += n;
    if (cp >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(cp);
    }
  }
  for (char16_t u : units) out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  return out;
}

TEST_F(DialogStartupE2E, PicturesAndCaptionsInAnyScriptReachTheSaver) {
  const std::string folder = "\u0424\u043E\u0442\u043E";                                  // Фото
  const std::string name = "\u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C \U0001F600.png";  // Ωμέγα 日本 😀
  const std::string caption = "\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC \u2014 \u65E5\u672C\u8A9E";
  const Rgb colour = rgb(40, 160, 90);
  std::filesystem::create_directories(desktop().saverDir() / folder);
  ASSERT_TRUE(savePng(Image(200, 120, colour), desktop().saverDir() / folder / name));
  const std::string path = "C:\\Lumova\\" + folder + "\\" + name;
  const auto settingsWith = [&](const std::string& text) {
    return utf16File("[total]\r\ntotal=1\r\n[images]\r\n0=" + path + "\r\n[caption]\r\n0=" + text +
                     "\r\n[image]\r\ntimeInterval=0\r\npicRandom=cent\r\neffectMode=0\r\nrandomEffect=0\r\n"
                     "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n[font]\r\nnewFontSize=20\r\n"
                     "newFontForeColor=65535\r\n");
  };
  const Rect centre{(1024 - 200) / 2, (768 - 120) / 2, 200, 120};
  const Rect band{0, 0, 1024, 40};
  // The caption as the Western code page (1252) leaves it: the blanks and
  // the dash kept, a "?" for every letter. The real caption must not look so.
  const std::string marks = "???????? \u2014 ???";
  // The picture, then the band at the top once a caption is in it and it
  // has stopped changing.
  const auto captionShown = [&](Image& shot) {
    if (!waitUntil([&] { return countDifferent(screen().capture(), centre, colour, 8) == 0; }, 10s)) return false;
    Image last;
    return waitUntil(
        [&] {
          shot = screen().capture(band);
          const bool still = !last.empty() && countDifferent(shot, shot.bounds(), last, Point{0, 0}) == 0;
          last = shot;
          return still && countDifferent(shot, shot.bounds(), rgb(0, 0, 0), 40) > 50;
        },
        10s, 100ms);
  };
  desktop().installSaver(settingsWith(marks));
  Image marked;
  {
    WineProcess& saver = desktop().startSaver("/s");
    ASSERT_TRUE(captionShown(marked)) << "no picture with a caption of question marks";
    ASSERT_TRUE(screen().pressKey("Shift_L"));  // unprotected: a key ends it
    ASSERT_TRUE(saver.waitForExit(10s));
  }
  desktop().installSaver(settingsWith(caption));
  WineProcess& dialog = desktop().startSaver("/c");
  focusDialog(screen());
  screen().pressKey("Return");  // OK: everything is written back
  ASSERT_TRUE(dialog.waitForExit(10s));
  const std::string saved = readFile(desktop().saverDir() / "zbfaone.ini");
  ASSERT_EQ(saved.substr(0, 2), "\xFF\xFE") << "not UTF-16 with a mark";
  EXPECT_NE(saved.find(utf16File(path).substr(2)), std::string::npos);
  EXPECT_NE(saved.find(utf16File(caption).substr(2)), std::string::npos);

  desktop().startSaver("/s");
  Image shown;
  ASSERT_TRUE(captionShown(shown)) << "no picture with a caption";
  // Each compared where it was drawn, so that a different centring cannot
  // tell them apart.
  const Rect drawn = boundsOfOther(shown, rgb(0, 0, 0), 40);
  const Rect marksDrawn = boundsOfOther(marked, rgb(0, 0, 0), 40);
  EXPECT_GT(countDifferent(shown, drawn, marked, Point{marksDrawn.x, marksDrawn.y}, 40), 50)
      << "the caption is drawn as \"?\"";
}

TEST_F(DialogStartupE2E, MissingPictureMessageNamesAPathInAnyScriptWhole) {
  const std::string path =
      "C:\\Lumova\\\u0424\u043E\u0442\u043E\\\u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C \U0001F600.png";
  desktop().installSaver(
      utf16File("[total]\r\ntotal=1\r\n[images]\r\n0=" + path + "\r\n[image]\r\ntimeInterval=0\r\npicRandom=cent\r\n"));
  WineProcess& saver = desktop().startSaver("/s");
  std::string texts;
  ASSERT_TRUE(waitUntil(
      [&] {
        return (texts = windowTexts(desktop(), "Lumova Screen Saver")).find("does not exist!") != std::string::npos;
      },
      15s))
      << texts;
  EXPECT_NE(texts.find(path + "\r\ndoes not exist!"), std::string::npos) << texts;
  ASSERT_TRUE(pressButton(desktop(), "Lumova Screen Saver", 1)) << "no message box to dismiss";
  EXPECT_TRUE(saver.waitForExit(5s));
}

}  // namespace
}  // namespace lumova::e2e
