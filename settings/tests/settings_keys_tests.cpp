#include "settings/settings_keys.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/fakes/memory_file_store.h"
#include "settings/settings_store.h"

namespace lumova::settings {
namespace {

using fakes::MemoryFileStore;

TEST(SettingsKeys, DefaultsOfEveryOption) {
  MemoryFileStore files;  // no file at all
  OptionValues values = readOptions(SettingsStore(files, "x.ini"));
  OptionValues expected = {"0", "0",     "0",  "2",     "10",    "cent",  "ch",    "0",        "0", "",
                           "0", "Arial", "14", "False", "False", "False", "False", "16777215", "1", "1",
                           "1", "0",     "0",  "1",     "0",     "1",     "0",     "1"};
  EXPECT_EQ(values, expected) << "a new user's defaults";
  // A file without the later keys keeps the meaning it had.
  files.files["x.ini"] = "[image]\r\n";
  at(expected, Key::picFit) = "0";
  at(expected, Key::allMonitors) = "0";
  at(expected, Key::shuffle) = "0";
  at(expected, Key::stillOnBattery) = "0";
  at(expected, Key::blurFill) = "0";
  // useGpu "1" there too: the graphics card unless asked not to.
  EXPECT_EQ(readOptions(SettingsStore(files, "x.ini")), expected);
}

TEST(SettingsKeys, TableNamesEveryKeyOnceInTheSaveOrder) {
  // clang-format off
  const char* order[] = {
      "randomPick",  "newBackColor", "backEffect",    "picSpeed",         "timeInterval",          "picRandom",
      "picChange",   "effectMode",   "randomEffect",  "saverPassword",    "saverEnabled",          "newFontName",
      "newFontSize", "newFontBold",  "newFontItalic", "newFontUnderline", "newFontFontStrikethru", "newFontForeColor",
      "picFit",      "allMonitors",  "shuffle",       "autoCaption",      "keysSteer",             "stillOnBattery",
      "clock",       "blurFill",     "pairPortraits", "useGpu"};
  // clang-format on
  auto keys = optionKeys();
  ASSERT_EQ(keys.size(), kKeyCount);
  std::set<std::string_view> seen;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(keys[i].name, order[i]);
    EXPECT_EQ(&keyInfo(keys[i].key), &keys[i]);
    EXPECT_TRUE(seen.insert(keys[i].name).second);
  }
  EXPECT_EQ(keyInfo(Key::newBackColor).section, "background");
  EXPECT_EQ(keyInfo(Key::backEffect).section, "background");
  EXPECT_EQ(keyInfo(Key::saverPassword).section, "password");
  EXPECT_EQ(keyInfo(Key::saverEnabled).section, "password");
  EXPECT_EQ(keyInfo(Key::newFontForeColor).section, "font");
  EXPECT_EQ(keyInfo(Key::picChange).section, "image");
}

TEST(SettingsKeys, TwoValuedOptionsAndRanges) {
  EXPECT_EQ(choiceText(Key::picRandom, kCentred), "cent");
  EXPECT_EQ(choiceText(Key::picRandom, kFloating), "rand");
  EXPECT_EQ(choiceText(Key::picChange, kChangeAfter), "ch");
  EXPECT_EQ(choiceText(Key::picChange, kChangeNever), "not_ch");
  EXPECT_TRUE(isChoice(Key::picRandom, "cent", kCentred));
  EXPECT_FALSE(isChoice(Key::picRandom, "Cent", kCentred));
  for (Key k : {Key::newFontBold, Key::newFontItalic, Key::newFontUnderline, Key::newFontFontStrikethru}) {
    EXPECT_EQ(flagText(k, true), "True");
    EXPECT_EQ(flagText(k, false), "False");
  }
  struct Row {
    Key key;
    int low, high;
  };
  for (const Row& r : {Row{Key::picSpeed, 0, 5}, Row{Key::timeInterval, 0, 60}, Row{Key::newFontSize, 10, 48},
                       Row{Key::effectMode, 0, 8}, Row{Key::randomPick, 0, 1}, Row{Key::saverEnabled, 0, 1},
                       Row{Key::stillOnBattery, 0, 1}, Row{Key::clock, 0, 2}, Row{Key::useGpu, 0, 1}}) {
    SCOPED_TRACE(keyInfo(r.key).name);
    EXPECT_EQ(keyInfo(r.key).range.low, r.low);
    EXPECT_EQ(keyInfo(r.key).range.high, r.high);
  }
}

TEST(SettingsKeys, InvalidValuesFallBackToTheDefault) {
  struct Row {
    Key key;
    const char* stored;  // nullptr: key missing
    const char* expected;
  };
  const Row rows[] = {
      {Key::randomPick, "1", "1"},
      {Key::randomPick, "7", "7"},  // the saver decides what odd numbers mean
      {Key::randomPick, "", "0"},
      {Key::randomPick, "yes", "0"},
      {Key::newBackColor, "255", "255"},
      {Key::newBackColor, "16777215", "16777215"},
      {Key::newBackColor, "16777216", "0"},
      {Key::newBackColor, "-1", "0"},
      {Key::newBackColor, "12abc", "0"},
      {Key::backEffect, "1", "1"},
      {Key::backEffect, "-3", "-3"},
      {Key::picSpeed, "5", "5"},
      {Key::picSpeed, "9", "9"},
      {Key::picSpeed, "2.5", "2.5"},
      {Key::picSpeed, "fast", "2"},
      {Key::picSpeed, nullptr, "2"},
      {Key::timeInterval, "0", "0"},
      {Key::timeInterval, "60", "60"},
      {Key::timeInterval, "2147483", "2147483"},
      {Key::timeInterval, "2147484", "10"},
      {Key::timeInterval, "-1", "10"},
      {Key::timeInterval, "1e400", "10"},
      {Key::picRandom, "rand", "rand"},
      {Key::picRandom, "other", "other"},  // the dialog reads any text but "cent" as Float
      {Key::picRandom, "", "cent"},
      {Key::picChange, "not_ch", "not_ch"},
      {Key::picChange, "", "ch"},
      {Key::effectMode, "7", "7"},
      {Key::effectMode, "12", "12"},
      {Key::effectMode, "seven", "0"},
      {Key::randomEffect, "1", "1"},
      {Key::randomEffect, "x", "0"},
      {Key::saverPassword, "", ""},
      {Key::saverPassword, "se cret", "se cret"},
      {Key::saverEnabled, "1", "1"},
      {Key::saverEnabled, "2", "2"},
      {Key::saverEnabled, "on", "0"},
      {Key::newFontName, "Times New Roman", "Times New Roman"},
      {Key::newFontName, "", "Arial"},
      {Key::newFontSize, "1", "1"},
      {Key::newFontSize, "10.5", "10.5"},
      {Key::newFontSize, "1000", "1000"},
      {Key::newFontSize, "0", "14"},
      {Key::newFontSize, "1001", "14"},
      {Key::newFontSize, "big", "14"},
      {Key::newFontBold, "True", "True"},
      {Key::newFontBold, "false", "false"},
      {Key::newFontBold, "-1", "-1"},
      {Key::newFontBold, "maybe", "False"},
      {Key::newFontItalic, "", "False"},
      {Key::newFontUnderline, "TRUE", "TRUE"},
      {Key::newFontFontStrikethru, "0", "0"},
      {Key::newFontForeColor, "0", "0"},
      {Key::newFontForeColor, "16777216", "16777215"},
      {Key::newFontForeColor, "white", "16777215"},
      {Key::keysSteer, "1", "1"},
      {Key::keysSteer, "on", "0"},
      {Key::keysSteer, nullptr, "0"},
      {Key::stillOnBattery, "1", "1"},
      {Key::stillOnBattery, "on", "0"},
      {Key::clock, "2", "2"},
      {Key::clock, "3", "3"},  // the saver shows no clock for it
      {Key::clock, "time", "0"},
      {Key::clock, nullptr, "0"},
  };
  for (const Row& row : rows) {
    const KeyInfo& info = keyInfo(row.key);
    SCOPED_TRACE(std::string(info.name) + " = " + (row.stored ? row.stored : "(missing)"));
    MemoryFileStore files;
    if (row.stored)
      files.files["x.ini"] =
          "[" + std::string(info.section) + "]\r\n" + std::string(info.name) + "=" + row.stored + "\r\n";
    SettingsStore store(files, "x.ini");
    EXPECT_EQ(readOption(store, row.key), row.expected);
    EXPECT_EQ(at(readOptions(store), row.key), row.expected);
  }
}

TEST(SettingsKeys, OnlyAZeroKeepsFramesOffTheGraphicsCard) {
  struct Row {
    const char* stored;  // nullptr: key missing
    bool card;
  };
  const Row rows[] = {{"0", false}, {" 0 ", false}, {"\"0\"", false}, {"1", true},  {nullptr, true},
                      {"", true},   {"no", true},   {"00", true},     {"-1", true}, {"0.0", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stored ? row.stored : "(missing)");
    MemoryFileStore files;
    files.files["x.ini"] = row.stored ? std::string("[image]\r\nuseGpu=") + row.stored + "\r\n" : "[image]\r\n";
    EXPECT_EQ(graphicsCardAllowed(readOption(SettingsStore(files, "x.ini"), Key::useGpu)), row.card);
  }
}

TEST(SettingsKeys, OptionsRoundTripThroughASave) {
  MemoryFileStore files;
  MemoryFileStore none;
  OptionValues options = readOptions(SettingsStore(none, "x.ini"));
  at(options, Key::saverPassword) = "pw";
  at(options, Key::saverEnabled) = "0";  // protection off keeps the password
  at(options, Key::newFontSize) = "10.5";
  at(options, Key::picRandom) = "rand";
  {
    SettingsStore store(files, "x.ini");
    writeAll(store, {}, options);
    ASSERT_EQ(store.save(), SaveError::None);
  }
  EXPECT_EQ(readOptions(SettingsStore(files, "x.ini")), options);
}

}  // namespace
}  // namespace lumova::settings
