// The slideshow on several monitors: one sequence shared in monitor order,
// each monitor's picture and caption placed on that monitor.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

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
  std::unique_ptr<RecordingMonitor> gone;  // a monitor taken away, kept to read
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
    std::string shapes;          // of the pictures in list order: L landscape, P portrait
    std::vector<bool> monitors;  // portrait?
    std::vector<std::vector<std::int32_t>> changes;
    bool shuffled = false;  // in the saver, shuffled: two rounds, a restart between
  };
  const Row rows[] = {
      {"the worked example", "LLPP", {false, true}, {{0, 2}, {1, 3}, {0, 2}}},
      {"passed over, first next time", "LLLP", {false, true}, {{0, 3}, {1, 3}, {2, 3}}},
      {"portrait first", "PLPL", {true, false}, {{0, 1}, {2, 3}}},
      {"no portrait within 8: the next", "LLLLLLLLLLP", {true}, {{0}, {1}, {2}, {10}, {3}}},
      {"the 8th ahead is still taken", "LLLLLLLP", {true}, {{7}, {0}}},
      {"shuffled, every picture once a round", "LPLLPLLLPL", {false, true}, {}, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    if (r.shuffled) {
      std::vector<std::pair<std::string, std::string>> list;
      for (std::size_t i = 0; i < r.shapes.size(); ++i) list.emplace_back("C:\\p\\" + std::to_string(i) + ".jpg", "");
      std::map<std::string, std::string> state;  // the files, from one run to the next
      std::vector<std::string> shown;            // over both runs, in monitor order at each change
      for (double seconds : {5.0, 9.0}) {
        SaverRig rig(
            iniWith(list, "allMonitors=1\r\nrandomPick=1\r\nshuffle=1\r\npicRandom=cent\r\ntimeInterval=1\r\n"));
        rig.view.addMonitor(r.monitors[1] ? 480 : 640, r.monitors[1] ? 640 : 480);
        for (std::size_t i = 0; i < list.size(); ++i) {
          rig.pictures.sizes[list[i].first] = {60, 40};
          rig.upright[list[i].first] = r.shapes[i] == 'P' ? PictureSize{40, 60} : PictureSize{60, 40};
        }
        rig.files.files.insert(state.begin(), state.end());
        rig.load();
        rig.runFor(seconds);
        ASSERT_EQ(rig.view.shown.size(), rig.view.at(1).shown.size());
        for (std::size_t c = 0; c < rig.view.shown.size(); ++c)
          shown.insert(shown.end(), {rig.view.shown[c], rig.view.at(1).shown[c]});
        state = rig.files.files;
      }
      ASSERT_GE(shown.size(), 2 * list.size());
      for (std::size_t round = 0; round < 2; ++round) {
        std::vector<std::string> got(shown.begin() + static_cast<std::ptrdiff_t>(round * list.size()),
                                     shown.begin() + static_cast<std::ptrdiff_t>((round + 1) * list.size()));
        std::sort(got.begin(), got.end());
        std::vector<std::string> want;
        for (const auto& picture : list) want.push_back(picture.first);
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << "round " << round;
      }
      continue;
    }
    std::int32_t next = -1;
    const auto count = static_cast<std::int32_t>(r.shapes.size());
    const auto draw = [&] { return next = static_cast<std::int32_t>((next + 1) % count); };
    const auto portrait = [&](std::int32_t p) { return r.shapes[static_cast<std::size_t>(p)] == 'P'; };
    std::deque<std::int32_t> ahead;
    for (const auto& want : r.changes) EXPECT_EQ(saver::takeByShape(r.monitors, ahead, draw, portrait), want);
  }
}

TEST(Monitors, TwoPortraitsShareALandscapeMonitor) {
  struct Row {
    const char* name;
    std::string shapes;  // of the pictures in list order: L landscape, P portrait
    const char* options;
    std::vector<std::string> changes;  // "a+b": a pair; empty: shuffled, checked by rounds
    bool portraitMonitor = false;
  };
  const char* pairing = "pairPortraits=1\r\n";
  const Row rows[] = {
      {"two portraits, then the landscape one", "PPL", pairing, {"0+1", "2", "0+1"}},
      {"passed over, first next time", "PLLP", pairing, {"0+3", "1", "2", "0+3"}},
      {"the 8th ahead is still taken", "PLLLLLLLP", pairing, {"0+8", "1", "2"}},
      {"none within 8: alone", "PLLLLLLLLP", pairing, {"0", "1"}},
      {"one portrait is never its own partner", "PL", pairing, {"0", "1", "0"}},
      {"a portrait monitor keeps single pictures", "PPL", pairing, {"0", "1", "2"}, true},
      {"without the key", "PPL", "", {"0", "1", "2"}},
      {"shuffled, every picture once a round", "PPLPLPPL", "pairPortraits=1\r\nrandomPick=1\r\nshuffle=1\r\n", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::vector<std::pair<std::string, std::string>> list;
    for (std::size_t i = 0; i < r.shapes.size(); ++i) list.emplace_back("C:\\p\\" + std::to_string(i) + ".jpg", "");
    std::map<std::string, std::string> state;  // the shuffled round, from one run to the next
    std::vector<std::string> changes;          // each change: its pictures by number
    for (const double seconds : {r.changes.empty() ? 7.5 : r.changes.size() * 1.4 + 0.5, r.changes.empty() ? 9.5 : 0}) {
      if (seconds == 0) continue;
      SaverRig rig(iniWith(list, std::string("picRandom=cent\r\ntimeInterval=1\r\neffectMode=0\r\n") + r.options));
      if (r.portraitMonitor) rig.view.widthTwips = 600 * 15, rig.view.heightTwips = 800 * 15;
      for (std::size_t i = 0; i < list.size(); ++i) {
        const bool p = r.shapes[i] == 'P';
        rig.pictures.sizes[list[i].first] = p ? std::pair{600, 1200} : std::pair{1200, 600};
        rig.upright[list[i].first] = p ? PictureSize{600, 1200} : PictureSize{1200, 600};
      }
      rig.files.files.insert(state.begin(), state.end());
      rig.load();
      rig.runFor(seconds);
      for (const std::string& shown : rig.view.shown) {
        const std::string number = shown.substr(shown.rfind('\\') + 1, shown.find('.') - shown.rfind('\\') - 1);
        if (shown[0] == '+')
          changes.back() += "+" + number;
        else
          changes.push_back(number);
      }
      state = rig.files.files;
    }
    if (!r.changes.empty()) {
      changes.resize(std::min(changes.size(), r.changes.size()));
      EXPECT_EQ(changes, r.changes);
      continue;
    }
    // Each round shows every picture once, a pair counting as two.
    std::vector<std::string> shown;
    for (const std::string& c : changes)
      for (std::size_t at = 0, plus; at <= c.size(); at = plus + 1) {
        plus = std::min(c.find('+', at), c.size());
        shown.push_back(c.substr(at, plus - at));
      }
    EXPECT_NE(std::find_if(changes.begin(), changes.end(), [](const std::string& c) { return c.find('+') != c.npos; }),
              changes.end())
        << "no pair";
    ASSERT_GE(shown.size(), 2 * list.size()) << ::testing::PrintToString(changes);
    for (std::size_t round = 0; round < 2; ++round) {
      std::vector<std::string> got(shown.begin() + static_cast<std::ptrdiff_t>(round * list.size()),
                                   shown.begin() + static_cast<std::ptrdiff_t>((round + 1) * list.size()));
      std::sort(got.begin(), got.end());
      EXPECT_EQ(std::unique(got.begin(), got.end()), got.end())
          << "round " << round << ": " << ::testing::PrintToString(changes);
    }
  }
}

// A display change as the window reports it: the monitors stand in their new
// places, then the slideshow is told.
TEST(Monitors, ADisplayChangeShowsAnAddedMonitorsPictureAtOnceAndDropsARemovedOne) {
  using Paths = std::vector<std::string>;
  const Paths none = {"-"};  // no third monitor
  const std::string a = "C:\\p\\a.jpg", b = "C:\\p\\b.jpg", c = "C:\\p\\c.jpg";
  struct Row {
    const char* name;
    std::string options;
    const char* allMonitors;
    std::function<void(TwoMonitors&)> change;
    bool inAChange;                // at a motion tick in the reveal's pause of the change at 5.8 s; else at 1 s
    Paths primary, second, third;  // what each showed by 7 s
  };
  const auto addThird = [](TwoMonitors& rig) { rig.view.addMonitor(800, 600); };
  const char* all = "allMonitors=1\r\n";
  const std::vector<Row> rows = {
      // a and b shown, c and a drawn for the next change: the third takes b.
      {"added, changes every 5 s",
       "picRandom=cent\r\ntimeInterval=5\r\n",
       all,
       addThird,
       false,
       {a, c},
       {b, a},
       {b, c}},
      {"added, no changes", "picRandom=cent\r\ntimeInterval=0\r\n", all, addThird, false, {a}, {b}, {c}},
      {"added, floating, no changes", "picRandom=rand\r\ntimeInterval=0\r\n", all, addThird, false, {a}, {b}, {b}},
      // Shown once that change has ended, not revealed twice.
      {"added during a change", "picRandom=rand\r\ntimeInterval=5\r\n", all, addThird, true, {a, c}, {b, a}, {b}},
      {"added, only the primary in use", "picRandom=cent\r\ntimeInterval=0\r\n", "", addThird, false, {a}, {}, {}},
      {"removed",
       "picRandom=cent\r\ntimeInterval=5\r\n",
       all,
       [](TwoMonitors& rig) {
         rig.gone = std::move(rig.view.others.back());
         rig.view.others.pop_back();
       },
       false,
       {a, c},
       {b},
       none},
      // Moved, and larger: it keeps its picture, nothing is loaded again.
      {"moved",
       "picRandom=cent\r\ntimeInterval=0\r\n",
       all,
       [](TwoMonitors& rig) { rig.second.widthTwips = 800 * 15; },
       false,
       {a},
       {b},
       none},
  };
  const std::map<std::string, std::string> captions = {{a, "First"}, {b, ""}, {c, "Third"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TwoMonitors rig(r.options, r.allMonitors);
    rig.load();
    std::size_t loadsBefore = 0;
    const auto change = [&] {
      r.change(rig);
      loadsBefore = rig.pictures.loaded.size();
      rig.form.displayChanged();
    };
    if (r.inAChange) {
      rig.queue.onTimer = [&, done = false](TimerId id) mutable {
        // Hidden pictures at a motion tick: a change's pause.
        if (!done && id == TimerId::Motion && !rig.view.pictureVisible) done = true, change();
        if (!rig.host.ended) rig.form.onTimer(id);
      };
    } else {
      rig.runFor(1);
      change();
    }
    if (r.third == none) {
      EXPECT_EQ(rig.pictures.loaded.size(), loadsBefore) << "a monitor kept loaded again";
    }
    rig.runFor(7 - rig.clock.now);
    EXPECT_EQ(rig.view.shown, r.primary);
    EXPECT_EQ(rig.gone ? rig.gone->shown : rig.second.shown, r.second);
    if (r.third == none) {
      EXPECT_EQ(rig.view.monitorCount(), rig.gone ? 1u : 2u);
      continue;
    }
    ASSERT_EQ(rig.view.monitorCount(), 3u);
    const RecordingMonitor& third = rig.view.at(2);
    EXPECT_EQ(third.shown, r.third);
    if (r.third.empty()) continue;
    // Centred on its own monitor at first, with its own caption; a floating one moves on.
    EXPECT_TRUE(third.pictureVisible);
    EXPECT_EQ(third.moves.front().left, (800 - rig.pictures.sizes[r.third.front()].first) / 2 * 15);
    EXPECT_EQ(third.captionText, captions.at(r.third.back()));
    if (r.options.find("rand") != std::string::npos) {
      EXPECT_GT(third.moves.size(), 2u);
    }
  }
}
