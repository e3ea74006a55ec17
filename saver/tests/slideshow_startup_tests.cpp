#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "saver/tests/saver_rig.h"

using namespace lumova;
using lumova::fakes::CallLog;

using Rig = lumova::testing::SaverRig;

TEST(SaverStartup, RunsItsStepsInOrder) {
  Rig rig(
      "[background]\r\nnewBackColor=255\r\nbackEffect=0\r\n"
      "[font]\r\nnewFontForeColor=65280\r\n");
  rig.load();
  const CallLog want = {"read settings", "read zbfaone.hidden", "captionFont",  "captionColor 65280",
                        "readPlatform",  "backColor 255",       "captionTop 0", "timer3 500"};
  EXPECT_EQ(rig.log, want);
}

TEST(SaverStartup, SystemLockOnlyWithProtectionOutsideNT) {
  struct Row {
    const char* enabled;
    std::int32_t platform;
    bool lock;
  };
  const std::vector<Row> rows = {
      {"1", 1, true},  {"1.0", 1, true}, {" 1 ", 0, true}, {"1", 2, false},
      {"0", 1, false}, {"2", 1, false},  {"", 1, false},   {"yes", 1, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string("saverEnabled '") + r.enabled + "' platform " + std::to_string(r.platform));
    Rig rig(std::string("[password]\r\nsaverEnabled=") + r.enabled + "\r\n", r.platform);
    rig.load();
    auto locks = std::count(rig.log.begin(), rig.log.end(), "lock on");
    EXPECT_EQ(locks, r.lock ? 1 : 0);
    EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), "lock off"), 0);
    if (r.lock) {
      // The lock is set after the platform is known and before the background.
      auto at = [&](const char* s) { return std::find(rig.log.begin(), rig.log.end(), s) - rig.log.begin(); };
      EXPECT_LT(at("readPlatform"), at("lock on"));
      EXPECT_LT(at("lock on"), at("timer3 500"));
    }
  }
}

TEST(SaverStartup, PictureListBoundsFollowTotal) {
  const std::string keys = "[images]\r\n0=a.jpg\r\n1=b.jpg\r\n2=c.jpg\r\n3=d.jpg\r\n[caption]\r\n0=A\r\n2=C\r\n3=D\r\n";
  struct Row {
    const char* total;
    int lastImage;
    std::vector<std::string> files;
    std::vector<std::string> captions;
  };
  const std::vector<Row> rows = {
      {"0", -1, {""}, {""}},
      {"3", 2, {"a.jpg", "b.jpg", "c.jpg", ""}, {"A", "", "C", ""}},
      {"", -1, {""}, {""}},
      {"-4", -1, {""}, {""}},
      {"1.5", 1, {"a.jpg", "b.jpg", ""}, {"A", "", ""}},
      {"6", 5, {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "", "", ""}, {"A", "", "C", "D", "", "", ""}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string("total '") + r.total + "'");
    Rig rig(std::string("[total]\r\ntotal=") + r.total + "\r\n" + keys);
    rig.load();
    EXPECT_EQ(rig.form.sequence().lastListed(), r.lastImage);
    EXPECT_EQ(rig.form.sequence().listedPaths(), r.files);
    EXPECT_EQ(rig.form.sequence().listedCaptions(), r.captions);
  }
}

TEST(SaverStartup, BackgroundColourOrSnapshot) {
  struct Row {
    const char* backEffect;
    const char* want;
  };
  const std::vector<Row> rows = {
      {"0", "backColor 12345"},   {"1", "snapshot"},           {"7", "snapshot"},
      {"0.0", "backColor 12345"}, {"junk", "backColor 12345"},  // unusable: the default, colour
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string("backEffect '") + r.backEffect + "'");
    Rig rig(std::string("[background]\r\nnewBackColor=12345\r\nbackEffect=") + r.backEffect + "\r\n");
    rig.load();
    int background = 0;
    for (const auto& e : rig.log) {
      if (e.rfind("backColor", 0) != 0 && e != "snapshot") continue;
      ++background;
      EXPECT_EQ(e, r.want);
    }
    EXPECT_EQ(background, 1);
  }
}

TEST(SaverStartup, CaptionStyleFromFontKeys) {
  Rig rig(
      "[font]\r\nnewFontName=Tahoma\r\nnewFontSize=10.5\r\nnewFontBold=True\r\nnewFontItalic=0\r\n"
      "newFontUnderline=-1\r\nnewFontFontStrikethru=False\r\nnewFontForeColor=16711680\r\n");
  rig.load();
  EXPECT_EQ(rig.view.font.name, "Tahoma");
  EXPECT_EQ(rig.view.font.size, 10.5);
  EXPECT_TRUE(rig.view.font.bold);
  EXPECT_FALSE(rig.view.font.italic);
  EXPECT_TRUE(rig.view.font.underline);
  EXPECT_FALSE(rig.view.font.strikethrough);
  EXPECT_EQ(rig.view.captionColor, 16711680u);
}

TEST(SaverStartup, MissingFileStartsWithDefaults) {
  Rig rig("", 1);
  rig.load();
  EXPECT_EQ(rig.log.front(), "read settings");
  EXPECT_EQ(rig.form.sequence().lastListed(), -1);
  EXPECT_EQ(rig.view.font.name, "Arial");
  EXPECT_EQ(rig.view.font.size, 14);
  EXPECT_FALSE(rig.view.font.bold);
  EXPECT_EQ(rig.view.captionColor, 0xFFFFFFu);
  EXPECT_NE(std::find(rig.log.begin(), rig.log.end(), "backColor 0"), rig.log.end());
  EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), "lock on"), 0);
  EXPECT_EQ(rig.queue.interval(TimerId::Startup), 0.5);
}

TEST(SaverStartup, KeepsPasswordSettingsForTheWholeRun) {
  Rig rig("[password]\r\nsaverPassword= Secret \r\nsaverEnabled=1\r\n");
  rig.load();
  EXPECT_EQ(rig.protection.password, "Secret");  // blanks around a value are not kept in the file's reading
  EXPECT_EQ(rig.protection.enabled, "1");
  EXPECT_EQ(rig.protection.platformId, 2);
}
