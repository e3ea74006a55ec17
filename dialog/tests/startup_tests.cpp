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
                      Control::pictureList, Control::captionText}));
  // The window is placed first, and the file read once.
  ASSERT_FALSE(d.host.log.empty());
  EXPECT_EQ(d.host.log.front().rfind("move ", 0), 0u);
  EXPECT_EQ(d.host.files.reads, 1);
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

TEST(DialogList, SelectingAMissingPictureKeepsThePreviousOne) {
  Dialog d(fullIni("images/1=C:\\Gone\\b.gif"));
  d.model.load();
  const PicturePtr first = d.model.loadedPicture();
  ASSERT_TRUE(first);
  d.model.setListIndex(Control::pictureList, 1);
  EXPECT_EQ(d.host.messages, Strings{kImageNotFound});
  EXPECT_EQ(d[Control::captionText].text, "Second");
  ASSERT_TRUE(d.model.thumbnail().has_value());
  EXPECT_EQ(d.model.thumbnail()->picture, first);
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
  for (const char* enabled : {"1", "0"}) {
    SCOPED_TRACE(std::string("saverEnabled=") + enabled);
    const bool on = enabled[0] == '1';
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
  };
  const Row rows[] = {
      {"no file: a new user", "", false, 1},
      {"a file from before the options", fullIni(), true, 0},
      {"an empty file", "", true, 0},
      {"all on", fullIni("image/picFit=1\nimage/allMonitors=1\nimage/shuffle=1"), true, 1},
      {"all off", fullIni("image/picFit=0\nimage/allMonitors=0\nimage/shuffle=0"), true, 0},
      {"not a number", fullIni("image/picFit=yes\nimage/allMonitors=yes\nimage/shuffle=yes"), true, 0},
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
  }
}

TEST(DialogOptions, FitAndMonitorBoxesAreSavedWithTheOtherOptions) {
  struct Row {
    bool fileExists;
    int fit, monitors;  // what the user leaves ticked
  };
  const Row rows[] = {{false, 0, 1}, {false, 1, 0}, {true, 1, 1}, {true, 0, 0}, {true, 1, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.fileExists) + " " + std::to_string(r.fit) + std::to_string(r.monitors));
    Dialog d(fullIni(), r.fileExists);
    d.host.openAnswers = {"C:\\Pics\\a.jpg"};
    d.model.load();
    if (!r.fileExists) d.model.click(Control::addButton);  // OK needs a picture
    d.model.setValue(Control::fitPicturesCheck, r.fit);
    d.model.setValue(Control::allMonitorsCheck, r.monitors);
    d.model.setListIndex(Control::autoCaptionChoice, r.fit + r.monitors);
    d.model.onOk();
    ASSERT_TRUE(d.host.unloaded);
    FileView after(d.host.files.files[kIniPath]);
    EXPECT_EQ(after.read("image", "picFit"), std::to_string(r.fit));
    EXPECT_EQ(after.read("image", "allMonitors"), std::to_string(r.monitors));
    EXPECT_EQ(after.read("image", "autoCaption"), std::to_string(r.fit + r.monitors));
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

TEST(DialogControls, RangesAndListsFollowTheOptionTable) {
  // What each option means: the speeds 0 to 5, 0 to 60 seconds, a flag, two
  // backgrounds, eight transitions and the crossfade, three automatic captions.
  struct Row {
    Control control;
    Key key;
    int low, high;
  };
  const Row rows[] = {
      {Control::floatSpeed, Key::picSpeed, 0, 5},           {Control::intervalSpin, Key::timeInterval, 0, 60},
      {Control::randomOrderCheck, Key::randomPick, 0, 1},   {Control::randomTransitionsCheck, Key::randomEffect, 0, 1},
      {Control::protectionCheck, Key::saverEnabled, 0, 1},  {Control::backgroundChoice, Key::backEffect, 0, 1},
      {Control::transitionChoice, Key::effectMode, 0, 8},   {Control::fitPicturesCheck, Key::picFit, 0, 1},
      {Control::allMonitorsCheck, Key::allMonitors, 0, 1},  {Control::shuffleCheck, Key::shuffle, 0, 1},
      {Control::autoCaptionChoice, Key::autoCaption, 0, 2},
  };
  Dialog d(fullIni());
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(controlName(r.control)));
    EXPECT_EQ(controlInfo(r.control).key, r.key);
    EXPECT_EQ(controlRange(r.control).low, r.low);
    EXPECT_EQ(controlRange(r.control).high, r.high);
    if (controlInfo(r.control).kind == ControlKind::ComboBox) {
      // A list offers one item for each value of its option.
      EXPECT_EQ(d[r.control].items.size(), static_cast<std::size_t>(r.high + 1));
    } else {
      // A value from code stays inside the range.
      d.model.setValue(r.control, r.high + 7);
      EXPECT_EQ(d[r.control].value, r.high);
      d.model.setValue(r.control, r.low - 7);
      EXPECT_EQ(d[r.control].value, r.low);
    }
  }
  d.model.load();
  d.model.click(Control::fontButton);
  ASSERT_EQ(d.host.fontRequests.size(), 1u);
  EXPECT_EQ(d.host.fontRequests[0].minSize, 10);
  EXPECT_EQ(d.host.fontRequests[0].maxSize, 48);
}

TEST(DialogThumbnail, FitsByStepsOfNineTenths) {
  struct Row {
    int w, h, fittedW, fittedH;
  };
  const Row rows[] = {
      {3374, 1814, 3374, 1814}, {100, 80, 100, 80},       {3375, 100, 3038, 90},
      {9600, 7200, 2196, 1648}, {12000, 1000, 3049, 254}, {100, 1815, 90, 1634},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h));
    const Thumbnail t = fitThumbnail(nullptr, r.w, r.h);
    EXPECT_EQ(t.width, r.fittedW);
    EXPECT_EQ(t.height, r.fittedH);
  }
}

// Message-sequence test: which reactions a change raises, nested in order,
// and that setting a control to the value it holds raises nothing.
TEST(SettingsDialog, SettingAControlRaisesItsReactionOnlyWhenTheValueDiffers) {
  struct Step {
    std::string what;
    void (*act)(SettingsDialog&);
    Controls reactions;
  };
  const Step steps[] = {
      {"untick Random Order",
       [](SettingsDialog& m) { m.setValue(Control::randomOrderCheck, 0); },
       {Control::randomOrderCheck}},
      {"untick it again", [](SettingsDialog& m) { m.setValue(Control::randomOrderCheck, 0); }, {}},
      {"tick it", [](SettingsDialog& m) { m.setValue(Control::randomOrderCheck, 1); }, {Control::randomOrderCheck}},
      {"Never",
       [](SettingsDialog& m) { m.setValue(Control::changeNeverOption, 1); },
       {Control::changeNeverOption, Control::randomOrderCheck}},
      {"Never again", [](SettingsDialog& m) { m.setValue(Control::changeNeverOption, 1); }, {}},
      {"After...", [](SettingsDialog& m) { m.setValue(Control::changeAfterOption, 1); }, {Control::changeAfterOption}},
      {"spin up", [](SettingsDialog& m) { m.setValue(Control::intervalSpin, 26); }, {Control::intervalSpin}},
      {"spin to the same", [](SettingsDialog& m) { m.setValue(Control::intervalSpin, 26); }, {}},
      {"spin beyond 60 twice",
       [](SettingsDialog& m) {
         m.setValue(Control::intervalSpin, 61);
         m.setValue(Control::intervalSpin, 99);
       },
       {Control::intervalSpin}},
      {"same password", [](SettingsDialog& m) { m.setText(Control::passwordText, "Secret"); }, {}},
      {"new password", [](SettingsDialog& m) { m.setText(Control::passwordText, "Secret2"); }, {Control::passwordText}},
      {"same combo item", [](SettingsDialog& m) { m.setListIndex(Control::backgroundChoice, 1); }, {}},
      {"other combo item",
       [](SettingsDialog& m) { m.setListIndex(Control::backgroundChoice, 0); },
       {Control::backgroundChoice}},
      {"combo item that does not exist", [](SettingsDialog& m) { m.setListIndex(Control::backgroundChoice, 2); }, {}},
      {"select the picture shown", [](SettingsDialog& m) { m.setListIndex(Control::pictureList, 0); }, {}},
      {"select the other picture",
       [](SettingsDialog& m) { m.setListIndex(Control::pictureList, 1); },
       {Control::pictureList, Control::captionText}},
      {"Center", [](SettingsDialog& m) { m.setValue(Control::centredOption, 1); }, {Control::centredOption}},
      {"clear Center from code", [](SettingsDialog& m) { m.setValue(Control::centredOption, 0); }, {}},
      {"slider past its end", [](SettingsDialog& m) { m.setValue(Control::floatSpeed, 9); }, {Control::floatSpeed}},
  };
  Dialog d(fullIni());
  d.model.load();
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    d.host.clearLog();
    s.act(d.model);
    EXPECT_EQ(d.host.reactions(), s.reactions);
  }
  EXPECT_EQ(d.model.value(Key::timeInterval), "60");
  EXPECT_EQ(d[Control::intervalSeconds].text, "60");
  EXPECT_EQ(d.model.value(Key::picSpeed), "5");
  EXPECT_EQ(d[Control::backgroundChoice].value, 0);
  EXPECT_EQ(d.model.value(Key::backEffect), "0");
}

TEST(SettingsDialog, ChoosingAnOptionClearsTheOtherOfItsFrameOnly) {
  Dialog d(fullIni());
  d.model.load();
  d.host.changes.clear();
  d.model.setValue(Control::centredOption, 1);
  EXPECT_EQ(d[Control::floatingOption].value, 0);
  EXPECT_EQ(d[Control::changeAfterOption].value, 1);  // another frame
  // The cleared button and the chosen one are mirrored before the reaction
  // greys the slider.
  ASSERT_GE(d.host.changes.size(), 3u);
  EXPECT_EQ(d.host.changes[0], Control::floatingOption);
  EXPECT_EQ(d.host.changes[1], Control::centredOption);
  EXPECT_EQ(d.host.changes[2], Control::floatSpeed);
}

TEST(SettingsDialog, NeverThenAfterTakesTheSpinControlsInterval) {
  Dialog d(fullIni());
  d.model.load();
  d.model.setValue(Control::changeNeverOption, 1);
  EXPECT_EQ(d.model.value(Key::timeInterval), "0");
  EXPECT_EQ(d[Control::intervalSeconds].text, "25");  // still shows the old value
  d.model.setValue(Control::changeAfterOption, 1);
  EXPECT_EQ(d.model.value(Key::timeInterval), "25");
  EXPECT_EQ(d[Control::randomOrderCheck].value, 0);  // not ticked again
  EXPECT_EQ(d.model.value(Key::randomPick), "0");
}

struct OkCase {
  std::string what;
  int pictures;  // how many the list keeps (removed from the end)
  bool emptyFirstPath;
  bool protection;
  std::string password, confirm;
  std::string message;  // empty: saved and unloaded
};

TEST(DialogOk, ChecksInOrderWithTheirMessages) {
  const OkCase cases[] = {
      {"no pictures, protection on, boxes empty", 0, false, true, "", "", kNoImages},
      {"first path empty", 2, true, false, "", "", kNoImages},
      {"protection on, both boxes empty", 2, false, true, "", "", kNoPassword},
      {"protection on, confirm empty", 2, false, true, "abc", "", kPasswordsDiffer},
      {"protection on, password empty", 2, false, true, "", "abc", kPasswordsDiffer},
      {"protection on, letter case differs", 2, false, true, "abc", "ABC", kPasswordsDiffer},
      {"protection on, same", 2, false, true, "abc", "abc", ""},
      {"protection off, boxes differ", 2, false, false, "abc", "xyz", ""},
      {"protection off, boxes empty", 2, false, false, "", "", ""},
  };
  for (const OkCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string ini = fullIni(std::string("password/saverEnabled=") + (c.protection ? "1" : "0") +
                              (c.emptyFirstPath ? "\nimages/0=" : "") + (c.pictures == 0 ? "\ntotal/total=0" : ""));
    Dialog d(ini);
    d.model.load();
    d.host.messages.clear();
    d.model.setText(Control::passwordText, c.password);
    d.model.setText(Control::confirmText, c.confirm);
    d.model.onOk();
    if (c.message.empty()) {
      EXPECT_TRUE(d.host.messages.empty());
      EXPECT_TRUE(d.host.unloaded);
      EXPECT_EQ(d.host.files.saves, 1);
      FileView after(d.host.files.files[kIniPath]);
      EXPECT_EQ(after.read("password", "saverPassword"), c.password);
      EXPECT_EQ(after.read("password", "saverEnabled"), c.protection ? "1" : "0");
    } else {
      EXPECT_EQ(d.host.messages, Strings{c.message});
      EXPECT_FALSE(d.host.unloaded);
      EXPECT_EQ(d.host.files.saves, 0);
      EXPECT_EQ(d.host.files.files[kIniPath], ini);
    }
  }
}

TEST(DialogOk, TwoOfFivePicturesRemovedLeavesKeysZeroToTwo) {
  std::string ini = fullIni(
      "total/total=5\nimages/2=C:\\Pics\\c.jpg\nimages/3=C:\\Pics\\d.jpg\nimages/4=C:\\Pics\\e.jpg\n"
      "caption/2=Third\ncaption/3=Fourth\ncaption/4=Fifth");
  Dialog d(ini);
  for (const char* p : {"C:\\Pics\\c.jpg", "C:\\Pics\\d.jpg", "C:\\Pics\\e.jpg"})
    d.host.pictureFiles.sizes[p] = {10, 10};
  d.model.load();
  d.model.setListIndex(Control::pictureList, 3);
  d.model.onRemovePicture();  // d.jpg; e.jpg moves up
  d.model.setListIndex(Control::pictureList, 0);
  d.model.onRemovePicture();  // a.jpg
  EXPECT_EQ(d[Control::pictureCount].text, "3");
  d.model.onOk();
  ASSERT_TRUE(d.host.unloaded);

  FileView after(d.host.files.files[kIniPath]);
  EXPECT_EQ(after.read("total", "total"), "3");
  const Strings paths{"C:\\Pics\\b.gif", "C:\\Pics\\c.jpg", "C:\\Pics\\e.jpg"};
  const Strings captions{"Second", "Third", "Fifth"};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const std::string key = std::to_string(i);
    EXPECT_EQ(after.read("images", key), i < 3 ? paths[i] : "");
    EXPECT_EQ(after.read("caption", key), i < 3 ? captions[i] : "");
  }
  const std::string& bytes = d.host.files.files[kIniPath];
  EXPECT_EQ(bytes.find("3=C:"), std::string::npos);
  EXPECT_EQ(bytes.find("4=C:"), std::string::npos);
}

TEST(DialogOk, FailedSaveNamesTheFileAndKeepsTheDialogOpen) {
  const std::string ini = fullIni();
  Dialog d(ini);
  d.model.load();
  d.model.setValue(Control::intervalSpin, 40);
  d.host.files.failNextSave = settings::SaveError::ReplaceFailed;
  d.model.onOk();
  ASSERT_EQ(d.host.messages.size(), 1u);
  EXPECT_NE(d.host.messages[0].find(kIniPath), std::string::npos);
  EXPECT_FALSE(d.host.unloaded);
  EXPECT_EQ(d.host.files.files[kIniPath], ini);

  // A second OK writes everything again.
  d.model.onOk();
  EXPECT_TRUE(d.host.unloaded);
  FileView after(d.host.files.files[kIniPath]);
  EXPECT_EQ(after.read("image", "timeInterval"), "40");
  EXPECT_EQ(after.read("total", "total"), "2");
}

TEST(DialogOk, UnreadableFileIsNeverReplacedByTheDefaults) {
  // What became of the file between the OK that could not read it and the next.
  enum class Then { Readable, Deleted };
  for (const Then then : {Then::Readable, Then::Deleted}) {
    SCOPED_TRACE(then == Then::Readable ? "readable" : "deleted");
    Dialog d(fullIni());
    d.host.files.unreadable[kIniPath] = settings::ReadError::InUse;
    d.host.store->reload();
    d.model.load();
    EXPECT_EQ(d.host.messages, Strings{readFailedMessage(kIniPath, settings::ReadError::InUse)});
    EXPECT_TRUE(d[Control::pictureList].items.empty());

    d.host.pictureFiles.sizes["C:\\New\\n.jpg"] = {10, 10};
    d.host.openAnswers = {"C:\\New\\n.jpg"};
    d.model.click(Control::addButton);
    d.model.setValue(Control::intervalSpin, 40);
    d.host.messages.clear();
    d.model.onOk();
    EXPECT_EQ(d.host.messages, Strings{readFailedMessage(kIniPath, settings::ReadError::InUse)});
    EXPECT_FALSE(d.host.unloaded);
    EXPECT_EQ(d.host.files.saves, 0);

    d.host.files.unreadable.clear();
    if (then == Then::Deleted) d.host.files.files.erase(kIniPath);
    d.host.messages.clear();
    d.model.onOk();
    if (then == Then::Readable) {
      // It is brought in rather than saved over, the user's changes with it.
      EXPECT_EQ(d.host.messages, Strings{reloadedMessage(kIniPath)});
      EXPECT_EQ(d[Control::pictureList].items, (Strings{"C:\\Pics\\a.jpg", "C:\\Pics\\b.gif"}));
      EXPECT_EQ(d[Control::intervalSpin].value, 25);
      EXPECT_EQ(d.host.files.saves, 0);
      d.model.onOk();
      EXPECT_EQ(d.host.files.saves, 1);
    } else {
      // Nothing is left to lose: the user's choices are saved, unasked.
      EXPECT_TRUE(d.host.messages.empty());
      EXPECT_TRUE(d.host.unloaded);
      ASSERT_EQ(d.host.files.saves, 1);
      FileView after(d.host.files.files[kIniPath]);
      EXPECT_EQ(after.read("images", "0"), "C:\\New\\n.jpg");
      EXPECT_EQ(after.read("image", "timeInterval"), "40");
    }
  }
  const std::string said = reloadedMessage(kIniPath);
  EXPECT_NE(said.find("now shows the settings of this file"), std::string::npos) << said;
  EXPECT_NE(said.find("Your changes were not applied"), std::string::npos) << said;
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

TEST(DialogCancel, WritesNothing) {
  const std::string ini = fullIni();
  Dialog d(ini);
  d.model.load();
  d.model.setValue(Control::intervalSpin, 40);
  d.model.setValue(Control::protectionCheck, 0);
  d.model.onRemovePicture();
  d.model.onCancel();
  EXPECT_TRUE(d.host.unloaded);
  EXPECT_EQ(d.host.files.saves, 0);
  EXPECT_EQ(d.host.files.files[kIniPath], ini);
}

TEST(DialogRemove, SelectsTheNeighbourAndKeepsCaptionsPaired) {
  struct Row {
    int count, selected;
    int selectedAfter;
    std::string captionAfter;
  };
  const Row rows[] = {
      {3, 0, 0, "c1"},  // the one that followed
      {3, 2, 1, "c1"},  // the one before
      {3, 1, 0, "c0"},
      {1, 0, -1, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.count) + " remove " + std::to_string(r.selected));
    std::string ini = "[total]\r\ntotal=" + std::to_string(r.count) + "\r\n[images]\r\n";
    for (int i = 0; i < r.count; ++i) ini += std::to_string(i) + "=p" + std::to_string(i) + "\r\n";
    ini += "[caption]\r\n";
    for (int i = 0; i < r.count; ++i) ini += std::to_string(i) + "=c" + std::to_string(i) + "\r\n";
    Dialog d(ini);
    for (int i = 0; i < r.count; ++i) d.host.pictureFiles.sizes["p" + std::to_string(i)] = {10, 10};
    d.model.load();
    d.model.setListIndex(Control::pictureList, r.selected);
    d.model.onRemovePicture();
    const auto& list = d[Control::pictureList];
    const auto& captions = d[Control::captionList].items;
    ASSERT_EQ(list.items.size(), static_cast<std::size_t>(r.count - 1));
    ASSERT_EQ(captions.size(), list.items.size());
    for (std::size_t i = 0; i < list.items.size(); ++i) EXPECT_EQ("c" + list.items[i].substr(1), captions[i]);
    EXPECT_EQ(list.value, r.selectedAfter);
    EXPECT_EQ(d[Control::captionText].text, r.captionAfter);
    EXPECT_EQ(d[Control::pictureCount].text, std::to_string(r.count - 1));
    EXPECT_EQ(d.model.thumbnail().has_value(), r.count > 1);
  }
}

TEST(DialogRemove, NothingToRemove) {
  Dialog d(fullIni("total/total=0"));
  d.model.load();
  d.model.onRemovePicture();
  EXPECT_EQ(d.host.messages, Strings{kNothingToRemove});
}

TEST(DialogCaption, TypingIsStoredForTheSelectedPicture) {
  Dialog d(fullIni());
  d.model.load();
  d.model.setListIndex(Control::pictureList, 1);
  d.model.setText(Control::captionText, "New words");
  d.model.setListIndex(Control::pictureList, 0);
  EXPECT_EQ(d[Control::captionText].text, "First");
  d.model.setListIndex(Control::pictureList, 1);
  EXPECT_EQ(d[Control::captionText].text, "New words");
  EXPECT_EQ(d[Control::captionList].items, (Strings{"First", "New words"}));
}

TEST(DialogCaption, TypingWithAnEmptyListIsRefused) {
  Dialog d(fullIni("total/total=0"));
  d.model.load();
  d.model.setText(Control::captionText, "x");
  EXPECT_EQ(d.host.messages, Strings{kLoadImageFirst});
  EXPECT_EQ(d[Control::captionText].text, "");
}

}  // namespace
}  // namespace lumova::dialog
