// Start-up: the window placed, and every control and value from the settings
// file, in the order the reactions need.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog/settings_dialog.h"
#include "dialog/tests/test_dialog.h"

namespace lumova::dialog {
namespace {

using settings::Key;
using testing::Dialog;
using testing::FileView;
using testing::fullIni;
using testing::kIniPath;
using Strings = std::vector<std::string>;
using Controls = std::vector<Control>;

TEST(DialogStartup, RaisesTheReactionsInStepOrder) {
  Dialog d(fullIni());
  d.model.load();
  EXPECT_EQ(d.host.reactions(),
            (Controls{Control::randomOrderCheck, Control::backgroundChoice, Control::floatingOption,
                      Control::floatSpeed, Control::changeAfterOption, Control::intervalSpin, Control::transitionChoice,
                      Control::passwordText, Control::confirmText, Control::protectionCheck, Control::autoCaptionChoice,
                      Control::clockChoice, Control::useGpuCheck, Control::pictureList, Control::captionText}));
  // The window is placed first, and the file read once.
  ASSERT_FALSE(d.host.log.empty());
  EXPECT_EQ(d.host.log.front().rfind("move ", 0), 0u);
  EXPECT_EQ(std::count(d.host.files.log.begin(), d.host.files.log.end(), std::string("read ") + kIniPath), 1);
  EXPECT_TRUE(d.host.messages.empty());
}

TEST(DialogStartup, FillsControlsAndValuesFromTheFile) {
  Dialog d(fullIni());
  d.model.load();
  EXPECT_EQ(d[Control::pictureList].items, (Strings{"C:\\Pics\\a.jpg", "C:\\Pics\\b.gif"}));
  EXPECT_EQ(d[Control::captionList].items, (Strings{"First", "Second"}));
  EXPECT_EQ(d[Control::pictureList].value, 0);
  EXPECT_EQ(d[Control::captionText].text, "First");
  EXPECT_EQ(d[Control::pictureCount].text, "2");
  EXPECT_EQ(d[Control::randomOrderCheck].value, 1);
  EXPECT_EQ(d[Control::backgroundChoice].value, 1);
  EXPECT_FALSE(d[Control::backColourButton].enabled);  // "Desktop"
  EXPECT_EQ(d[Control::backColourSwatch].colour, 255u);
  EXPECT_EQ(d[Control::floatSpeed].value, 3);
  EXPECT_EQ(d[Control::transitionChoice].value, 4);
  EXPECT_TRUE(d[Control::transitionChoice].enabled);
  EXPECT_EQ(d[Control::randomTransitionsCheck].value, 0);
  EXPECT_EQ(d[Control::fontColourSwatch].colour, 65280u);
  // The colour and font dialogs open on what the file holds.
  d.model.click(Control::backColourButton);
  ASSERT_EQ(d.host.colourRequests.size(), 1u);
  EXPECT_EQ(d.host.colourRequests[0].initial, 255u);
  d.model.click(Control::fontButton);
  ASSERT_EQ(d.host.fontRequests.size(), 1u);
  const FontChoice& f = d.host.fontRequests[0].initial;
  EXPECT_EQ(f.name, "Verdana");
  EXPECT_EQ(f.size, 12.0);
  EXPECT_TRUE(f.bold);
  EXPECT_FALSE(f.italic);
  EXPECT_FALSE(f.underline);
  EXPECT_TRUE(f.strikethru);
  EXPECT_EQ(f.colour, 65280u);
}

// An unchanged dialog saves exactly the values it read.
TEST(DialogStartup, UnchangedDialogSavesWhatItRead) {
  const std::string ini = fullIni();
  Dialog d(ini);
  d.model.load();
  d.model.onOk();
  ASSERT_TRUE(d.host.unloaded);
  ASSERT_EQ(d.host.files.saves, 1);
  FileView before(ini), after(d.host.files.files[kIniPath]);
  for (const auto& info : settings::optionKeys()) {
    SCOPED_TRACE(std::string(info.name));
    // What each key means is unchanged (a key the file lacked now says so).
    EXPECT_EQ(settings::readOption(*after.store, info.key), settings::readOption(*before.store, info.key));
  }
  for (const char* key : {"0", "1"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(after.read("images", key), before.read("images", key));
    EXPECT_EQ(after.read("caption", key), before.read("caption", key));
  }
  EXPECT_EQ(after.read("total", "total"), "2");
}

TEST(DialogStartup, EmptyListOpensWithNothingSelected) {
  Dialog d(fullIni("total/total=0"));
  d.model.load();
  EXPECT_TRUE(d[Control::pictureList].items.empty());
  EXPECT_TRUE(d[Control::captionList].items.empty());
  EXPECT_EQ(d[Control::pictureList].value, -1);
  EXPECT_EQ(d[Control::pictureCount].text, "0");
  EXPECT_EQ(d[Control::captionText].text, "");
  EXPECT_FALSE(d.model.thumbnail().has_value());
  EXPECT_TRUE(d.host.pictureFiles.loaded.empty());
  EXPECT_TRUE(d.host.messages.empty());
}

TEST(DialogStartup, MissingCaptionKeysGiveEmptyCaptions) {
  Dialog d(
      "[total]\r\ntotal=3\r\n[images]\r\n0=C:\\Pics\\a.jpg\r\n1=C:\\Pics\\b.gif\r\n2=C:\\Pics\\a.jpg\r\n"
      "[caption]\r\n1=Only this\r\n");
  d.model.load();
  EXPECT_EQ(d[Control::pictureList].items.size(), 3u);
  EXPECT_EQ(d[Control::captionList].items, (Strings{"", "Only this", ""}));
  EXPECT_EQ(d[Control::captionText].text, "");
  EXPECT_EQ(d[Control::pictureCount].text, "3");
}

TEST(DialogStartup, MissingFirstPictureShowsItsMessageAndStaysListed) {
  Dialog d(fullIni("images/0=C:\\Gone\\lost.jpg"));
  d.model.load();
  EXPECT_EQ(d.host.messages, (Strings{"Image file not found.\r\nYou need to reload a new one."}));
  EXPECT_EQ(d[Control::pictureList].items.front(), "C:\\Gone\\lost.jpg");
  EXPECT_EQ(d[Control::pictureList].value, 0);
  EXPECT_EQ(d[Control::captionText].text, "First");
  EXPECT_FALSE(d.model.thumbnail().has_value());
  // The message comes from the selection, the last step of start-up.
  EXPECT_EQ(d.host.log.back(), "message Image file not found.\r\nYou need to reload a new one.");
}

TEST(DialogStartup, ThumbnailOfTheFirstPicture) {
  Dialog d(fullIni());
  d.model.load();
  ASSERT_TRUE(d.model.thumbnail().has_value());
  // 640 x 480 pixels = 9600 x 7200 twips, shrunk 14 times.
  EXPECT_EQ(d.model.thumbnail()->width, 2196);
  EXPECT_EQ(d.model.thumbnail()->height, 1648);
  EXPECT_EQ(d.model.picWidth(), 2196);
  EXPECT_EQ(d.model.picHeight(), 1648);
  EXPECT_EQ(d.model.thumbnail()->picture, d.model.loadedPicture());
}

TEST(DialogStartup, PlacesTheWindowCentredAndAnEighthDown) {
  struct Row {
    int screenW, screenH, windowW, windowH;
    std::string expected;
  };
  const Row rows[] = {
      {15360, 11520, 7200, 6300, "move 4080,652"},    // 1024x768, 480x420
      {15360, 11520, 7215, 6315, "move 4072,650"},    // fractions dropped (4072.5, 650.6)
      {28800, 16200, 7200, 6300, "move 10800,1237"},  // 1920x1080
      {7200, 6000, 7215, 6315, "move -7,-39"},        // larger than the screen
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.expected);
    Dialog d(fullIni());
    d.host.screen = {r.screenW, r.screenH, r.windowW, r.windowH, 15, 15};
    d.model.load();
    EXPECT_EQ(d.host.log.front(), r.expected);
  }
}

TEST(DialogStartup, PlacementChoosesCenterFloatOrPanAndZoom) {
  struct Row {
    std::string picRandom;  // as in the file; empty: key missing
    bool center;
    std::string value;  // picRandom afterwards
  };
  const Row rows[] = {
      {"cent", true, "cent"},  {"rand", false, "rand"},   {"CENT", false, "rand"},
      {"zoom", false, "zoom"}, {"centre", false, "rand"}, {"", true, "cent"},  // missing: the default
      {"ZOOM", false, "rand"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("picRandom=" + r.picRandom);
    Dialog d(r.picRandom.empty() ? fullIni("image/picRandom=") : fullIni("image/picRandom=" + r.picRandom));
    d.model.load();
    const bool zoom = r.value == "zoom";
    EXPECT_EQ(d[Control::centredOption].value, r.center ? 1 : 0);
    EXPECT_EQ(d[Control::floatingOption].value, r.center || zoom ? 0 : 1);
    EXPECT_EQ(d[Control::panZoomOption].value, zoom ? 1 : 0);
    EXPECT_EQ(d[Control::floatSpeed].enabled, !r.center && !zoom);
    EXPECT_EQ(d[Control::floatSpeedLabel].enabled, !r.center && !zoom);
    EXPECT_EQ(d.model.value(Key::picRandom), r.value);
  }
}

TEST(DialogStartup, ChangeModeAndInterval) {
  struct Row {
    std::string picChange, timeInterval;
    bool after;
    std::string text2, interval;
    int scroll;
    int randomOrder;  // the file asks for random order
  };
  const Row rows[] = {
      {"not_ch", "15", false, "15", "15", 15, 0},  // Never, and the file's 15 shown
      {"ch", "15", true, "15", "15", 15, 1},
      {"ch", "0", true, "0", "0", 0, 1},
      {"not_ch", "0", false, "0", "0", 0, 0},
      {"ch", "90", true, "60", "60", 60, 1},  // the spin control stops at 60
      {"sometimes", "5", false, "5", "5", 5, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.picChange + " " + r.timeInterval);
    Dialog d(fullIni("image/picChange=" + r.picChange + "\nimage/timeInterval=" + r.timeInterval));
    d.model.load();
    EXPECT_EQ(d[Control::changeAfterOption].value, r.after ? 1 : 0);
    EXPECT_EQ(d[Control::changeNeverOption].value, r.after ? 0 : 1);
    EXPECT_EQ(d.model.value(Key::picChange), r.after ? "ch" : "not_ch");
    EXPECT_EQ(d[Control::intervalSeconds].text, r.text2);
    EXPECT_EQ(d[Control::intervalSpin].value, r.scroll);
    EXPECT_EQ(d.model.value(Key::timeInterval), r.interval);
    for (auto c : {Control::intervalSeconds, Control::secondsLabel, Control::intervalSpin, Control::randomOrderCheck}) {
      SCOPED_TRACE(std::string(controlName(c)));
      EXPECT_EQ(d[c].enabled, r.after);
    }
    EXPECT_EQ(d[Control::intervalSeconds].back, r.after ? SysColor::Window : SysColor::ThreeDLight);
    EXPECT_EQ(d[Control::randomOrderCheck].value, r.randomOrder);
    EXPECT_EQ(d.model.value(Key::randomPick), r.randomOrder ? "1" : "0");
  }
}

TEST(DialogStartup, PasswordProtection) {
  // Only exactly 1 is on, as the saver reads it: 0.6 rounds to 1 but is off.
  for (const char* enabled : {"1", "0", "0.6"}) {
    SCOPED_TRACE(std::string("saverEnabled=") + enabled);
    const bool on = std::string(enabled) == "1";
    Dialog d(fullIni(std::string("password/saverEnabled=") + enabled));
    d.model.load();
    EXPECT_EQ(d[Control::protectionCheck].value, on ? 1 : 0);
    EXPECT_EQ(d.model.value(Key::saverEnabled), enabled);
    for (auto box : {Control::passwordText, Control::confirmText}) {
      SCOPED_TRACE(std::string(controlName(box)));
      EXPECT_EQ(d[box].enabled, on);
      EXPECT_EQ(d[box].back, on ? SysColor::Window : SysColor::ThreeDLight);
      EXPECT_EQ(d[box].text, "Secret");
    }
    EXPECT_EQ(d.model.value(Key::saverPassword), "Secret");
    EXPECT_EQ(d.model.confirmPassword(), "Secret");
  }
}

TEST(DialogStartup, RandomTransitionsGreyTheTransitionBox) {
  Dialog d(fullIni("image/randomEffect=1"));
  d.model.load();
  EXPECT_EQ(d[Control::randomTransitionsCheck].value, 1);
  EXPECT_FALSE(d[Control::transitionChoice].enabled);
  EXPECT_EQ(d[Control::transitionChoice].back, SysColor::ThreeDLight);
  EXPECT_EQ(d[Control::transitionChoice].value, 4);
  EXPECT_EQ(d.model.value(Key::effectMode), "4");
}

TEST(DialogStartup, FitAndMonitorBoxesAreTickedForANewUserAndAsTheFileSays) {
  struct Row {
    std::string what;
    std::string ini;
    bool fileExists;
    int ticked;
    int card;  // the graphics card's box: ticked unless the file says exactly 0
  };
  const Row rows[] = {
      {"no file: a new user", "", false, 1, 1},
      {"a file from before the options", fullIni(), true, 0, 1},
      {"an empty file", "", true, 0, 1},
      {"all on",
       fullIni("image/picFit=1\nimage/allMonitors=1\nimage/shuffle=1\nimage/stillOnBattery=1\nimage/blurFill=1\n"
               "image/useGpu=1"),
       true, 1, 1},
      {"all off",
       fullIni("image/picFit=0\nimage/allMonitors=0\nimage/shuffle=0\nimage/stillOnBattery=0\nimage/blurFill=0\n"
               "image/useGpu=0"),
       true, 0, 0},
      {"not a number",
       fullIni(
           "image/picFit=yes\nimage/allMonitors=yes\nimage/shuffle=yes\nimage/stillOnBattery=yes\nimage/blurFill=yes\n"
           "image/useGpu=yes"),
       true, 0, 1},
      {"a card number below 0", fullIni("image/useGpu=-1"), true, 0, 1},
      {"a card number that rounds to 0", fullIni("image/useGpu=0.4"), true, 0, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Dialog d(r.ini, r.fileExists);
    d.model.load();
    EXPECT_EQ(d[Control::fitPicturesCheck].value, r.ticked);
    EXPECT_EQ(d[Control::allMonitorsCheck].value, r.ticked);
    EXPECT_EQ(d[Control::shuffleCheck].value, r.ticked);
    EXPECT_EQ(d[Control::shuffleCheck].enabled, d[Control::randomOrderCheck].value == 1) << "usable with random order";
    EXPECT_EQ(d.model.value(Key::shuffle), std::to_string(r.ticked));
    EXPECT_EQ(d.model.value(Key::picFit), std::to_string(r.ticked));
    EXPECT_EQ(d.model.value(Key::allMonitors), std::to_string(r.ticked));
    EXPECT_EQ(d[Control::stillOnBatteryCheck].value, r.ticked);
    EXPECT_EQ(d.model.value(Key::stillOnBattery), std::to_string(r.ticked));
    EXPECT_EQ(d[Control::clockChoice].value, 0) << "no clock, whatever the file";
    EXPECT_EQ(d[Control::blurFillCheck].value, r.ticked);
    EXPECT_EQ(d.model.value(Key::blurFill), std::to_string(r.ticked));
    EXPECT_EQ(d[Control::useGpuCheck].value, r.card);
    EXPECT_EQ(d.model.value(Key::useGpu), std::to_string(r.card));
  }
}

TEST(DialogStartup, MissingOrGarbledValuesOpenWithDefaults) {
  struct Row {
    std::string ini;
    bool fileExists;
  };
  const Row rows[] = {
      {"", false},
      {"", true},
      {"[image]\r\npicSpeed=fast\r\ntimeInterval=soon\r\neffectMode=\r\n[total]\r\ntotal=many\r\n", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.ini);
    Dialog d(r.ini, r.fileExists);
    d.model.load();
    EXPECT_TRUE(d[Control::pictureList].items.empty());
    EXPECT_EQ(d[Control::pictureCount].text, "0");
    for (const auto& info : settings::optionKeys()) {
      SCOPED_TRACE(std::string(info.name));
      const bool newUser = !r.fileExists && !info.newFileDefault.empty();
      EXPECT_EQ(d.model.value(info.key), newUser ? info.newFileDefault : info.defaultValue);
    }
    EXPECT_EQ(d[Control::floatSpeed].value, 2);  // picSpeed's default
    EXPECT_TRUE(d.host.messages.empty());
  }
}

TEST(DialogStartup, SaysWhenTheFileCannotBeSaved) {
  struct Row {
    settings::ReadError read;
    settings::SaveError writable;
    Strings messages;
  };
  using settings::ReadError;
  using settings::SaveError;
  const Row rows[] = {
      {ReadError::None, SaveError::None, {}},
      {ReadError::None, SaveError::CannotCreateTemp, {cannotSaveMessage(kIniPath, SaveError::CannotCreateTemp)}},
      {ReadError::None, SaveError::ReplaceFailed, {cannotSaveMessage(kIniPath, SaveError::ReplaceFailed)}},
      // A folder in the file's place is named once, by the read.
      {ReadError::Folder, SaveError::Folder, {readFailedMessage(kIniPath, ReadError::Folder)}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(r.read) << " " << static_cast<int>(r.writable));
    Dialog d(fullIni());
    if (r.read != ReadError::None) d.host.files.unreadable[kIniPath] = r.read;
    d.host.store->reload();
    d.host.files.writable = r.writable;
    d.model.load();
    EXPECT_EQ(d.host.messages, r.messages);
  }
  const std::string folder = cannotSaveMessage(kIniPath, SaveError::Folder);
  EXPECT_EQ(folder.find("read-only"), std::string::npos) << folder;
  EXPECT_NE(folder.find("A folder has the file's name."), std::string::npos) << folder;
}

}  // namespace
}  // namespace lumova::dialog
