// The control table and what setting a control does: ranges, the reactions
// raised and when, and option buttons that clear each other.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog/settings_dialog.h"
#include "dialog/tests/test_dialog.h"

namespace lumova::dialog {
namespace {

using settings::Key;
using testing::Dialog;
using testing::fullIni;
using Controls = std::vector<Control>;

TEST(DialogControls, RangesAndListsFollowTheOptionTable) {
  // What each option means: the speeds 0 to 5, 0 to 60 seconds, a flag, two
  // backgrounds, eight transitions and the crossfade, three automatic captions.
  struct Row {
    Control control;
    Key key;
    int low, high;
  };
  // clang-format off
  const Row rows[] = {
      {Control::floatSpeed, Key::picSpeed, 0, 5},
      {Control::intervalSpin, Key::timeInterval, 0, 60},
      {Control::randomOrderCheck, Key::randomPick, 0, 1},
      {Control::randomTransitionsCheck, Key::randomEffect, 0, 1},
      {Control::protectionCheck, Key::saverEnabled, 0, 1},
      {Control::backgroundChoice, Key::backEffect, 0, 1},
      {Control::transitionChoice, Key::effectMode, 0, 8},
      {Control::fitPicturesCheck, Key::picFit, 0, 1},
      {Control::allMonitorsCheck, Key::allMonitors, 0, 1},
      {Control::shuffleCheck, Key::shuffle, 0, 1},
      {Control::autoCaptionChoice, Key::autoCaption, 0, 2},
      {Control::stillOnBatteryCheck, Key::stillOnBattery, 0, 1},
      {Control::clockChoice, Key::clock, 0, 2},
      {Control::blurFillCheck, Key::blurFill, 0, 1},
      {Control::pairPortraitsCheck, Key::pairPortraits, 0, 1},
      {Control::useGpuCheck, Key::useGpu, 0, 1},
  };
  // clang-format on
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

// Message-sequence test: which reactions a change raises, nested in order,
// and that setting a control to the value it holds raises nothing.
struct Step {
  std::string what;
  void (*act)(SettingsDialog&);
  Controls reactions;
};
const Step kSteps[] = {
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

TEST(SettingsDialog, SettingAControlRaisesItsReactionOnlyWhenTheValueDiffers) {
  Dialog d(fullIni());
  d.model.load();
  for (const Step& s : kSteps) {
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

}  // namespace
}  // namespace lumova::dialog
