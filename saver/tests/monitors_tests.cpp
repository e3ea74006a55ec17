// The slideshow on several monitors: one sequence shared in monitor order,
// each monitor's picture and caption placed on that monitor.
#include <gtest/gtest.h>

#include "saver/monitor_shapes.h"
#include "saver/tests/saver_rig.h"

using namespace lumova;
using lumova::testing::iniWith;
using lumova::testing::RecordingMonitor;
using lumova::testing::SaverRig;

namespace {

const std::vector<std::pair<std::string, std::string>> kThree = {
    {"C:\\p\\a.jpg", "First"}, {"C:\\p\\b.jpg", ""}, {"C:\\p\\c.jpg", "Third"}};

struct TwoMonitors : SaverRig {
  RecordingMonitor& second;
  explicit TwoMonitors(const std::string& options, const char* allMonitors = "allMonitors=1\r\n")
      : SaverRig(iniWith(kThree, allMonitors + options)), second(view.addMonitor(640, 480)) {
    pictures.sizes["C:\\p\\a.jpg"] = {100, 80};
    pictures.sizes["C:\\p\\b.jpg"] = {200, 60};
    pictures.sizes["C:\\p\\c.jpg"] = {300, 40};
  }
  // What each change showed: (primary, second).
  std::vector<std::pair<std::string, std::string>> changes() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (std::size_t i = 0; i < view.shown.size(); ++i)
      out.emplace_back(view.shown[i], i < second.shown.size() ? second.shown[i] : "-");
    return out;
  }
};

}  // namespace

TEST(Monitors, TakeTheSequenceInMonitorOrder) {
  struct Row {
    const char* name;
    std::string options;
    std::vector<double> random;
    std::vector<std::pair<std::string, std::string>> changes;
  };
  const std::vector<Row> rows = {
      {"list order",
       "randomPick=0\r\npicRandom=cent\r\ntimeInterval=5\r\n",
       {},
       {{"C:\\p\\a.jpg", "C:\\p\\b.jpg"}, {"C:\\p\\c.jpg", "C:\\p\\a.jpg"}, {"C:\\p\\b.jpg", "C:\\p\\c.jpg"}}},
      // Each monitor draws its own: floor(3 * r).
      {"random order",
       "randomPick=1\r\npicRandom=cent\r\ntimeInterval=5\r\n",
       {0.9, 0.1, 0.5, 0.5, 0.1, 0.9},
       {{"C:\\p\\c.jpg", "C:\\p\\a.jpg"}, {"C:\\p\\b.jpg", "C:\\p\\b.jpg"}, {"C:\\p\\a.jpg", "C:\\p\\c.jpg"}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TwoMonitors rig(r.options);
    rig.random.values = r.random;
    rig.load();
    rig.runFor(12);
    EXPECT_EQ(rig.changes(), r.changes);
    // Preloading asked for the next picture of both monitors.
    ASSERT_GE(rig.prefetched.size(), 2u);
  }
}

TEST(Monitors, OnlyThePrimaryWithoutTheKey) {
  for (const char* key : {"", "allMonitors=0\r\n", "allMonitors=yes\r\n"}) {
    SCOPED_TRACE(key);
    TwoMonitors rig("picRandom=cent\r\ntimeInterval=5\r\n", key);
    rig.load();
    rig.runFor(12);
    EXPECT_EQ(rig.view.shown, (std::vector<std::string>{"C:\\p\\a.jpg", "C:\\p\\b.jpg", "C:\\p\\c.jpg"}));
    EXPECT_TRUE(rig.second.shown.empty());
    EXPECT_TRUE(rig.second.moves.empty()) << "nothing placed on a monitor not in use";
  }
}

TEST(Monitors, OnePictureOnEveryMonitorAndNoIntervalKeepsTheFirst) {
  SaverRig one(iniWith({{"C:\\p\\a.jpg", ""}}, "allMonitors=1\r\ntimeInterval=1\r\npicRandom=cent\r\n"));
  RecordingMonitor& second = one.view.addMonitor(640, 480);
  one.pictures.sizes["C:\\p\\a.jpg"] = {10, 10};
  one.load();
  one.runFor(4);
  EXPECT_EQ(one.view.shown.size(), second.shown.size());
  EXPECT_EQ(second.shown.front(), "C:\\p\\a.jpg");

  TwoMonitors still("timeInterval=0\r\npicRandom=cent\r\n");
  still.load();
  still.runFor(60);
  EXPECT_EQ(still.changes(), (std::vector<std::pair<std::string, std::string>>{{"C:\\p\\a.jpg", "C:\\p\\b.jpg"}}));
}

TEST(Monitors, EachPictureAndCaptionIsPlacedOnItsOwnMonitor) {
  TwoMonitors rig("picRandom=cent\r\npicFit=1\r\ntimeInterval=5\r\nrandomEffect=1\r\n");
  rig.pictures.sizes["C:\\p\\b.jpg"] = {1280, 960};  // larger than the second monitor
  rig.load();
  rig.runFor(1);
  // Primary (1024x768): "First" centred; second (640x480): b fitted, no caption.
  EXPECT_EQ(rig.view.pictureRect, (saver::TwipRect{462 * 15, 344 * 15, 100 * 15, 80 * 15}));
  EXPECT_EQ(rig.view.captionLeft, (15360 - 950) / 2);
  EXPECT_EQ(rig.second.pictureRect, (saver::TwipRect{0, 0, 640 * 15, 480 * 15}));
  EXPECT_EQ(rig.second.captionText, "");
  EXPECT_EQ(rig.pictures.requests.back().fit, (PictureSize{640, 480}));
  EXPECT_TRUE(rig.second.pictureVisible);
  // Both revealed in one call, each with its own effect.
  ASSERT_EQ(rig.view.effectFrames.size(), 1u);
  EXPECT_EQ(rig.view.effectFrames[0].size(), 2u);
  EXPECT_EQ(rig.view.effects.size(), 1u);
  EXPECT_EQ(rig.second.effects.size(), 1u);
}

TEST(Monitors, FloatingPicturesBounceOffTheirOwnMonitor) {
  TwoMonitors rig("picRandom=rand\r\npicSpeed=5\r\ntimeInterval=0\r\n");
  rig.load();
  rig.runFor(30);
  const double w = 640 * 15, h = 480 * 15;
  ASSERT_GT(rig.second.moves.size(), 100u);
  bool reachedRight = false;
  for (const saver::TwipRect& m : rig.second.moves) {
    // One step beyond an edge at most, then it turns.
    EXPECT_GE(m.left, -30);
    EXPECT_LE(m.left + m.width, w + 30);
    EXPECT_GE(m.top, -30);
    EXPECT_LE(m.top + m.height, h + 30);
    reachedRight = reachedRight || m.left + m.width >= w;
  }
  EXPECT_TRUE(reachedRight);
  for (const saver::TwipRect& m : rig.view.moves) EXPECT_LE(m.left + m.width, 1024 * 15 + 30);
}

TEST(Monitors, EachMonitorPrefersPicturesOfItsShape) {
  struct Row {
    const char* name;
    std::string shapes;   // of the pictures in list order: L landscape, P portrait
    std::vector<bool> monitors;  // portrait?
    std::vector<std::vector<std::int16_t>> changes;
  };
  const Row rows[] = {
      {"the worked example", "LLPP", {false, true}, {{0, 2}, {1, 3}, {0, 2}}},
      {"passed over, first next time", "LLLP", {false, true}, {{0, 3}, {1, 3}, {2, 3}}},
      {"portrait first", "PLPL", {true, false}, {{0, 1}, {2, 3}}},
      {"no portrait within 8: the next", "LLLLLLLLLLP", {true}, {{0}, {1}, {2}, {10}, {3}}},
      {"the 8th ahead is still taken", "LLLLLLLP", {true}, {{7}, {0}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::int16_t next = -1;
    const auto count = static_cast<std::int16_t>(r.shapes.size());
    const auto draw = [&] { return next = static_cast<std::int16_t>((next + 1) % count); };
    const auto portrait = [&](std::int16_t p) { return r.shapes[static_cast<std::size_t>(p)] == 'P'; };
    std::deque<std::int16_t> ahead;
    for (const auto& want : r.changes) EXPECT_EQ(saver::takeByShape(r.monitors, ahead, draw, portrait), want);
  }
}
