// The display option controls: font and colour dialogs, and the values and
// enabling that each option control's reaction sets.
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

TEST(DialogFont, OpensOnTheStoredFontWithItsSizeLimits) {
  Dialog d(fullIni());
  d.model.load();
  d.model.click(Control::fontButton);
  ASSERT_EQ(d.host.fontRequests.size(), 1u);
  const FontRequest& r = d.host.fontRequests[0];
  EXPECT_EQ(r.minSize, 10);
  EXPECT_EQ(r.maxSize, 48);
  EXPECT_EQ(r.initial.name, "Verdana");
  EXPECT_EQ(r.initial.size, 12.0);
  EXPECT_TRUE(r.initial.bold);
  EXPECT_FALSE(r.initial.italic);
  EXPECT_FALSE(r.initial.underline);
  EXPECT_TRUE(r.initial.strikethru);
  EXPECT_EQ(r.initial.colour, 65280u);
}

TEST(DialogFont, ChoiceIsStoredAsTextAndOpensTheDialogNextTime) {
  Dialog d(fullIni());
  d.model.load();
  const FontChoice chosen{"Tahoma", 10.5, false, true, true, false, 0x123456};
  d.host.fontAnswers = {chosen};
  d.host.changes.clear();
  d.model.click(Control::fontButton);

  EXPECT_EQ(d.model.value(Key::newFontName), "Tahoma");
  EXPECT_EQ(d.model.value(Key::newFontSize), "10.5");
  EXPECT_EQ(d.model.value(Key::newFontBold), "False");
  EXPECT_EQ(d.model.value(Key::newFontItalic), "True");
  EXPECT_EQ(d.model.value(Key::newFontUnderline), "True");
  EXPECT_EQ(d.model.value(Key::newFontFontStrikethru), "False");
  EXPECT_EQ(d.model.value(Key::newFontForeColor), "1193046");
  EXPECT_EQ(d[Control::fontColourSwatch].colour, 0x123456u);
  EXPECT_EQ(d.host.changes, std::vector<Control>{Control::fontColourSwatch});

  d.model.click(Control::fontButton);  // cancelled this time
  ASSERT_EQ(d.host.fontRequests.size(), 2u);
  const FontChoice& again = d.host.fontRequests[1].initial;
  EXPECT_EQ(again.name, "Tahoma");
  EXPECT_EQ(again.size, 10.5);
  EXPECT_TRUE(again.italic);
  EXPECT_TRUE(again.underline);
  EXPECT_FALSE(again.bold);
  EXPECT_EQ(again.colour, 0x123456u);
  EXPECT_EQ(d.model.value(Key::newFontName), "Tahoma");

  d.model.onOk();
  ASSERT_TRUE(d.host.unloaded);
  FileView after(d.host.files.files[kIniPath]);
  EXPECT_EQ(after.read("font", "newFontName"), "Tahoma");
  EXPECT_EQ(after.read("font", "newFontSize"), "10.5");
  EXPECT_EQ(after.read("font", "newFontItalic"), "True");
  EXPECT_EQ(after.read("font", "newFontForeColor"), "1193046");
}

TEST(DialogFont, CancelChangesNothing) {
  Dialog d(fullIni());
  d.model.load();
  const settings::OptionValues before = d.model.values();
  d.host.changes.clear();
  d.model.click(Control::fontButton);
  EXPECT_EQ(d.model.values(), before);
  EXPECT_TRUE(d.host.changes.empty());
  EXPECT_TRUE(d.host.messages.empty());
}

TEST(DialogFont, SizeTextKeepsWholeSizesWholeAndFractionsShort) {
  struct Row {
    double points;
    const char* text;
  };
  const Row rows[] = {{12, "12"},     {10, "10"},     {48, "48"},    {10.5, "10.5"},
                      {10.1, "10.1"}, {13.3, "13.3"}, {7.25, "7.25"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(fontSizeText(r.points), r.text);
  }
}

TEST(DialogBackColour, OpensOnTheStoredColourAndKeepsThePick) {
  Dialog d(fullIni());
  d.model.load();
  d.model.setListIndex(Control::backgroundChoice, 0);  // the button is usable
  d.host.colourAnswers = {std::uint32_t{0x00FF8040}};
  d.model.click(Control::backColourButton);
  ASSERT_EQ(d.host.colourRequests.size(), 1u);
  EXPECT_EQ(d.host.colourRequests[0].initial, 255u);
  EXPECT_EQ(d.model.value(Key::newBackColor), std::to_string(0xFF8040));
  EXPECT_EQ(d[Control::backColourSwatch].colour, 0xFF8040u);

  // Cancelled: nothing changes, and the next opening still shows the pick.
  d.host.changes.clear();
  d.model.click(Control::backColourButton);
  EXPECT_EQ(d.model.value(Key::newBackColor), std::to_string(0xFF8040));
  EXPECT_TRUE(d.host.changes.empty());
  d.model.click(Control::backColourButton);
  ASSERT_EQ(d.host.colourRequests.size(), 3u);
  EXPECT_EQ(d.host.colourRequests[1].initial, 0xFF8040u);
  EXPECT_EQ(d.host.colourRequests[2].initial, 0xFF8040u);
}

TEST(DialogBackground, DesktopDisablesChooseColourAndLeavesTheColour) {
  Dialog d(fullIni("background/backEffect=0"));
  d.model.load();
  EXPECT_TRUE(d[Control::backColourButton].enabled);
  struct Step {
    int item;
    bool enabled;
  };
  for (const Step& s : {Step{1, false}, Step{0, true}, Step{1, false}}) {
    SCOPED_TRACE(s.item);
    d.model.setListIndex(Control::backgroundChoice, s.item);
    EXPECT_EQ(d.model.value(Key::backEffect), std::to_string(s.item));
    EXPECT_EQ(d[Control::backColourButton].enabled, s.enabled);
    EXPECT_EQ(d.model.value(Key::newBackColor), "255");
    EXPECT_EQ(d[Control::backColourSwatch].colour, 255u);
  }
}

TEST(DialogChange, NeverThenAfterSavesTheSpinControlsInterval) {
  Dialog d(fullIni());
  d.model.load();
  EXPECT_TRUE(d[Control::shuffleCheck].enabled);
  d.model.setValue(Control::intervalSpin, 7);
  d.model.setValue(Control::changeNeverOption, 1);
  EXPECT_FALSE(d[Control::shuffleCheck].enabled) << "no random order, no shuffle";
  EXPECT_EQ(d.model.value(Key::timeInterval), "0");
  EXPECT_EQ(d.model.value(Key::randomPick), "0");
  EXPECT_EQ(d[Control::randomOrderCheck].value, 0);
  EXPECT_FALSE(d[Control::randomOrderCheck].enabled);
  EXPECT_EQ(d[Control::intervalSeconds].text, "7");
  d.model.setValue(Control::changeAfterOption, 1);
  EXPECT_TRUE(d[Control::randomOrderCheck].enabled);
  EXPECT_EQ(d[Control::randomOrderCheck].value, 0);
  EXPECT_FALSE(d[Control::shuffleCheck].enabled);
  d.model.setValue(Control::randomOrderCheck, 1);
  EXPECT_TRUE(d[Control::shuffleCheck].enabled);
  d.model.setValue(Control::randomOrderCheck, 0);
  d.model.onOk();
  ASSERT_TRUE(d.host.unloaded);
  FileView after(d.host.files.files[kIniPath]);
  EXPECT_EQ(after.read("image", "timeInterval"), "7");
  EXPECT_EQ(after.read("image", "picChange"), "ch");
  EXPECT_EQ(after.read("image", "randomPick"), "0");
}

TEST(DialogChange, SpinControlStopsAtItsEndsAndItsBoxFollowsIt) {
  Dialog d(fullIni());
  d.model.load();
  struct Step {
    int set, shown;
  };
  for (const Step& s : {Step{0, 0}, Step{-1, 0}, Step{60, 60}, Step{61, 60}, Step{33, 33}}) {
    SCOPED_TRACE(s.set);
    d.model.setValue(Control::intervalSpin, s.set);
    EXPECT_EQ(d[Control::intervalSpin].value, s.shown);
    EXPECT_EQ(d.model.value(Key::timeInterval), std::to_string(s.shown));
    EXPECT_EQ(d[Control::intervalSeconds].text, std::to_string(s.shown));
  }
}

TEST(DialogTransitions, RandomGreysTheBoxAndKeepsTheChosenOne) {
  Dialog d(fullIni());
  d.model.load();
  d.model.setListIndex(Control::transitionChoice, 6);
  EXPECT_EQ(d.model.value(Key::effectMode), "6");
  d.model.setValue(Control::randomTransitionsCheck, 1);
  EXPECT_EQ(d.model.value(Key::randomEffect), "1");
  EXPECT_FALSE(d[Control::transitionChoice].enabled);
  EXPECT_EQ(d[Control::transitionChoice].back, SysColor::ThreeDLight);
  EXPECT_EQ(d.model.value(Key::effectMode), "6");
  d.model.setValue(Control::randomTransitionsCheck, 0);
  EXPECT_TRUE(d[Control::transitionChoice].enabled);
  EXPECT_EQ(d[Control::transitionChoice].back, SysColor::Window);
  EXPECT_EQ(d[Control::transitionChoice].value, 6);
  EXPECT_EQ(d.model.value(Key::randomEffect), "0");
}

TEST(DialogPassword, ClearingProtectionKeepsBothPasswords) {
  Dialog d(fullIni());
  d.model.load();
  d.model.setText(Control::passwordText, "tiger");
  d.model.setText(Control::confirmText, "tig");
  d.model.setValue(Control::protectionCheck, 0);
  EXPECT_EQ(d.model.value(Key::saverEnabled), "0");
  for (auto box : {Control::passwordText, Control::confirmText}) {
    SCOPED_TRACE(std::string(controlName(box)));
    EXPECT_FALSE(d[box].enabled);
    EXPECT_EQ(d[box].back, SysColor::ThreeDLight);
  }
  EXPECT_EQ(d.model.value(Key::saverPassword), "tiger");
  EXPECT_EQ(d.model.confirmPassword(), "tig");

  d.model.setValue(Control::protectionCheck, 1);
  EXPECT_EQ(d.model.value(Key::saverEnabled), "1");
  EXPECT_EQ(d[Control::passwordText].text, "tiger");
  EXPECT_EQ(d[Control::confirmText].text, "tig");
  for (auto box : {Control::passwordText, Control::confirmText}) {
    SCOPED_TRACE(std::string(controlName(box)));
    EXPECT_TRUE(d[box].enabled);
    EXPECT_EQ(d[box].back, SysColor::Window);
  }
  // Typing in the confirm box until they agree.
  d.model.setText(Control::confirmText, "tiger");
  EXPECT_EQ(d.model.confirmPassword(), "tiger");
  d.model.onOk();
  EXPECT_TRUE(d.host.unloaded);
}

TEST(DialogOptions, FitAndMonitorBoxesAreSavedWithTheOtherOptions) {
  struct Row {
    bool fileExists;
    int fit, monitors, keys;  // what the user leaves ticked
  };
  const Row rows[] = {{false, 0, 1, 1}, {false, 1, 0, 0}, {true, 1, 1, 0}, {true, 0, 0, 1}, {true, 1, 0, 1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.fileExists) + " " + std::to_string(r.fit) + std::to_string(r.monitors) +
                 std::to_string(r.keys));
    Dialog d(fullIni(), r.fileExists);
    d.host.openAnswers = {"C:\\Pics\\a.jpg"};
    d.model.load();
    EXPECT_EQ(d[Control::keysSteerCheck].value, 0) << "off for a new user and for an older file";
    EXPECT_EQ(d[Control::useGpuCheck].value, 1) << "on for a new user and for an older file";
    if (!r.fileExists) d.model.click(Control::addButton);  // OK needs a picture
    d.model.setValue(Control::fitPicturesCheck, r.fit);
    d.model.setValue(Control::allMonitorsCheck, r.monitors);
    d.model.setValue(Control::keysSteerCheck, r.keys);
    d.model.setListIndex(Control::autoCaptionChoice, r.fit + r.monitors);
    d.model.setValue(Control::stillOnBatteryCheck, r.fit);
    d.model.setValue(Control::useGpuCheck, r.monitors);
    d.model.setListIndex(Control::clockChoice, r.monitors + r.fit);
    d.model.onOk();
    ASSERT_TRUE(d.host.unloaded);
    FileView after(d.host.files.files[kIniPath]);
    EXPECT_EQ(after.read("image", "picFit"), std::to_string(r.fit));
    EXPECT_EQ(after.read("image", "allMonitors"), std::to_string(r.monitors));
    EXPECT_EQ(after.read("image", "autoCaption"), std::to_string(r.fit + r.monitors));
    EXPECT_EQ(after.read("image", "keysSteer"), std::to_string(r.keys));
    EXPECT_EQ(after.read("image", "stillOnBattery"), std::to_string(r.fit));
    EXPECT_EQ(after.read("image", "useGpu"), std::to_string(r.monitors));
    EXPECT_EQ(after.read("image", "clock"), std::to_string(r.fit + r.monitors));
  }
}

}  // namespace
}  // namespace lumova::dialog
