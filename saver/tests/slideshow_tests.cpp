#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <set>
#include <utility>

#include "saver/tests/saver_rig.h"

using namespace lumova;
using lumova::testing::iniWith;
using lumova::testing::SaverRig;

namespace {

const std::vector<std::pair<std::string, std::string>> kThree = {
    {"C:\\p\\a.jpg", "First"}, {"C:\\p\\b.jpg", ""}, {"C:\\p\\c.jpg", "Third"}};

void addPictures(SaverRig& rig) {
  rig.pictures.sizes["C:\\p\\a.jpg"] = {100, 80};
  rig.pictures.sizes["C:\\p\\b.jpg"] = {200, 80};
  rig.pictures.sizes["C:\\p\\c.jpg"] = {300, 80};
}

// Widths of the pictures revealed so far identify them (100, 200, 300).
std::vector<int> revealedWidths(const SaverRig& rig) {
  std::vector<int> w;
  for (const auto& r : rig.view.reveals) w.push_back(r.second);
  return w;
}

}  // namespace

TEST(Slideshow, ListOrderChangesOneIntervalAfterEachChangeFinished) {
  SaverRig rig(iniWith(kThree, "randomPick=0\r\ntimeInterval=5\r\npicRandom=cent\r\neffectMode=0\r\n"));
  addPictures(rig);
  rig.load();
  rig.runFor(25);
  EXPECT_EQ(revealedWidths(rig), (std::vector<int>{100, 200, 300, 100, 200}));
  // Start-up tick at 0.5 s plus the 0.3 s pause; then every 5 s plus the pause.
  const std::vector<double> want = {0.8, 6.1, 11.4, 16.7, 22.0};
  ASSERT_EQ(rig.view.reveals.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(rig.view.reveals[i].first, want[i], 1e-9);
  }
  EXPECT_FALSE(rig.queue.active(TimerId::Startup));
  EXPECT_FALSE(rig.queue.active(TimerId::Motion));
}

TEST(Slideshow, ChangeTimerIsHeldWhileAChangeRuns) {
  SaverRig rig(iniWith(kThree, "timeInterval=5\r\npicRandom=cent\r\n"));
  addPictures(rig);
  rig.load();
  rig.runFor(7);
  // The first change: held at 60 s before the picture is loaded and revealed,
  // restarted with the interval only after the commit.
  auto from = [&](auto it, const char* s) { return std::find(it, rig.log.end(), s); };
  auto firstCommit = from(rig.log.begin(), "commit");
  auto hold = from(firstCommit, "timer2 60000");
  auto clear = from(hold, "clear");
  auto commit = from(clear, "commit");
  auto restart = from(commit, "timer2 5000");
  EXPECT_NE(restart, rig.log.end());
  EXPECT_EQ(rig.queue.interval(TimerId::Change), 5.0);
}

TEST(Slideshow, CentredWithoutIntervalShowsOnlyTheFirstPicture) {
  SaverRig rig(iniWith(kThree, "timeInterval=0\r\npicRandom=cent\r\n"));
  addPictures(rig);
  rig.load();
  rig.runFor(600);
  EXPECT_EQ(revealedWidths(rig), (std::vector<int>{100}));
  EXPECT_EQ(std::count_if(rig.log.begin(), rig.log.end(), [](auto& e) { return e.rfind("timer2", 0) == 0; }), 0);
  EXPECT_FALSE(rig.queue.active(TimerId::Motion));
}

TEST(Slideshow, FloatingWithoutIntervalFloatsForEver) {
  SaverRig rig(iniWith(kThree, "timeInterval=0\r\npicRandom=rand\r\npicSpeed=2\r\n"));
  addPictures(rig);
  rig.load();
  rig.runFor(60);
  EXPECT_EQ(revealedWidths(rig), (std::vector<int>{100}));
  EXPECT_FALSE(rig.queue.active(TimerId::Change));
  EXPECT_EQ(rig.queue.interval(TimerId::Motion), 0.1);
  EXPECT_GT(rig.view.moves.size(), 500u);  // ~10 moves a second
  EXPECT_EQ(rig.prefetched, (std::vector<std::string>{"C:\\p\\a.jpg"})) << "nothing that is never shown";
}

TEST(Slideshow, RandomOrderWithOnePictureShowsItAgainEachTime) {
  SaverRig rig(iniWith({{"C:\\p\\a.jpg", "A"}}, "randomPick=1\r\ntimeInterval=2\r\npicRandom=cent\r\n"));
  addPictures(rig);
  rig.random.fallback = 0.999;
  rig.load();
  rig.runFor(10);
  EXPECT_GE(rig.view.reveals.size(), 4u);
  for (auto w : revealedWidths(rig)) EXPECT_EQ(w, 100);
  EXPECT_TRUE(rig.messages.shown.empty());
}

TEST(Slideshow, RandomOrderPicksFromTheWholeListAndMayRepeat) {
  SaverRig rig(iniWith(kThree, "randomPick=1\r\ntimeInterval=1\r\npicRandom=cent\r\n"));
  addPictures(rig);
  // (lastImage + 1) * r, integer part: 0.5 -> 1, 0.5 -> 1, 0.9 -> 2, 0.1 -> 0
  rig.random.values = {0.5, 0.5, 0.9, 0.1};
  rig.random.fallback = 0.0;
  rig.load();
  rig.runFor(5);
  auto w = revealedWidths(rig);
  ASSERT_GE(w.size(), 4u);
  EXPECT_EQ(std::vector<int>(w.begin(), w.begin() + 4), (std::vector<int>{200, 200, 300, 100}));
}

TEST(Slideshow, MissingSecondPictureEndsAtTheFirstChange) {
  struct Row {
    const char* enabled;
    std::int32_t platform;
    bool releasesLock;
  };
  for (const Row& r : std::vector<Row>{{"0", 1, false}, {"1", 2, false}, {"1", 1, true}}) {
    SCOPED_TRACE(std::string("saverEnabled ") + r.enabled + " platform " + std::to_string(r.platform));
    SaverRig rig(iniWith(kThree, "timeInterval=3\r\npicRandom=cent\r\n") +
                     "[password]\r\nsaverPassword=x\r\nsaverEnabled=" + r.enabled + "\r\n",
                 r.platform);
    rig.pictures.sizes["C:\\p\\a.jpg"] = {100, 80};
    rig.load();
    rig.runFor(3.7);
    EXPECT_EQ(revealedWidths(rig), (std::vector<int>{100}));
    EXPECT_TRUE(rig.messages.shown.empty());
    rig.runFor(0.2);  // the change tick at 3.8 s
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0],
              "C:\\p\\b.jpg\r\ndoes not exist! Lumova Screen Saver will\r\nnot function unless a different image is "
              "reloaded.");
    // Lock released (where it applies), then the window closed, then the program ended.
    auto at = [&](const char* s) { return std::find(rig.log.begin(), rig.log.end(), s) - rig.log.begin(); };
    EXPECT_LT(at("unload"), at("end"));
    if (r.releasesLock) {
      EXPECT_LT(at("lock off"), at("unload"));
    }
    EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), "lock off"), r.releasesLock ? 1 : 0);
    rig.runFor(30);
    EXPECT_EQ(rig.messages.shown.size(), 1u);
  }
}

TEST(Slideshow, FailedRevealEndsWithTheSameMessage) {
  SaverRig rig(iniWith(kThree, "timeInterval=3\r\npicRandom=cent\r\neffectMode=1\r\n"));
  addPictures(rig);
  rig.view.failEffect = true;
  rig.load();
  rig.runFor(1);
  ASSERT_EQ(rig.messages.shown.size(), 1u);
  EXPECT_EQ(rig.messages.shown[0].substr(0, 12), "C:\\p\\a.jpg\r\n");
  EXPECT_TRUE(rig.view.reveals.empty());
}

TEST(Slideshow, EmptyListLeavesTheBackground) {
  SaverRig rig(iniWith({}, "timeInterval=3\r\n"));
  rig.load();
  rig.runFor(20);
  EXPECT_TRUE(rig.view.reveals.empty());
  EXPECT_TRUE(rig.messages.shown.empty());
  EXPECT_FALSE(rig.queue.active(TimerId::Startup));
}

TEST(Slideshow, FolderPicturesFollowTheListAndStayCurrent) {
  SaverRig rig(iniWith({kThree[0]}, "randomPick=0\r\ntimeInterval=2\r\npicRandom=cent\r\n") +
               "[folders]\r\ntotal=1\r\n0=C:\\F\r\n");
  addPictures(rig);
  rig.pictures.sizes["C:\\F\\1.png"] = {101, 80};
  rig.pictures.sizes["C:\\F\\3.tif"] = {103, 80};
  rig.load();
  ASSERT_EQ(rig.folderSource.scans, (std::vector<std::vector<std::string>>{{"C:\\F"}}));  // from the start
  rig.form.foldersFound({"C:\\F\\1.png", "C:\\F\\2-gone.png"});
  rig.form.foldersFound({"C:\\F\\3.tif"});
  rig.form.foldersScanned();
  // The listed picture first; a folder's picture that is gone is passed over without a word.
  rig.runFor(8);
  EXPECT_EQ(revealedWidths(rig), (std::vector<int>{100, 101, 103, 100}));
  EXPECT_TRUE(rig.messages.shown.empty());
  // A full round: scanned again; what that finds replaces the old list when it ends.
  ASSERT_EQ(rig.folderSource.scans.size(), 2u);
  rig.form.foldersFound({"C:\\F\\0-new.bmp", "C:\\F\\3.tif"});
  rig.pictures.sizes["C:\\F\\0-new.bmp"] = {99, 80};
  rig.runFor(2.3);
  EXPECT_EQ(revealedWidths(rig).back(), 101);  // still the old list while the rescan runs
  rig.form.foldersScanned();
  rig.runFor(7);
  EXPECT_EQ(revealedWidths(rig), (std::vector<int>{100, 101, 103, 100, 101, 103, 100, 99}));
  EXPECT_FALSE(rig.host.ended);

  // In random order: positions beyond 16 bits, and a rescan after as many
  // changes as there are pictures.
  SaverRig big(iniWith({}, "randomPick=1\r\ntimeInterval=1\r\npicRandom=cent\r\n") +
               "[folders]\r\ntotal=1\r\n0=C:\\F\r\n");
  std::vector<std::string> many;
  for (int i = 0; i < 40000; ++i) many.push_back("C:\\F\\" + std::to_string(100000 + i) + ".jpg");
  big.pictures.sizes[many[39999]] = {50, 50};
  big.random.fallback = 0.99999;
  big.load();
  big.form.foldersFound(std::move(many));
  big.form.foldersScanned();
  big.runFor(1);
  ASSERT_EQ(big.view.shown, (std::vector<std::string>{"C:\\F\\139999.jpg"}));
  EXPECT_EQ(big.folderSource.scans.size(), 1u);
  big.pictures.sizes.clear();  // every picture gone: tried once each, a few a tick, then scanned again
  big.runFor(40000.0 / saver::kSkipsPerTick * saver::kSoonMs / 1000 + 1.5);
  EXPECT_EQ(big.folderSource.scans.size(), 2u);
  EXPECT_TRUE(big.messages.shown.empty());
}

// Monitors of both shapes draw ahead by shape; a rescan that shortens the
// list leaves no position of the old one in use.
TEST(Slideshow, ARescanThatShortensTheListLeavesNoOldPositionInUse) {
  SaverRig rig(iniWith({}, "allMonitors=1\r\nrandomPick=0\r\ntimeInterval=2\r\npicRandom=cent\r\n") +
               "[folders]\r\ntotal=1\r\n0=C:\\F\r\n");
  lumova::testing::RecordingMonitor& upright = rig.view.addMonitor(480, 640);
  std::vector<std::string> twenty;
  for (int i = 0; i < 20; ++i) {
    twenty.push_back("C:\\F\\" + std::to_string(100 + i) + ".jpg");
    rig.pictures.sizes[twenty.back()] = {60, 40};
    rig.upright[twenty.back()] = i % 3 == 0 ? PictureSize{40, 60} : PictureSize{60, 40};
  }
  rig.load();
  rig.form.foldersFound(twenty);
  rig.form.foldersScanned();
  while (rig.folderSource.scans.size() < 2 && rig.clock.now < 120) rig.runFor(1);
  ASSERT_EQ(rig.folderSource.scans.size(), 2u);
  const std::vector<std::string> three = {twenty[1], twenty[6], twenty[18]};
  for (const std::string& path : twenty)
    if (std::find(three.begin(), three.end(), path) == three.end()) rig.pictures.sizes.erase(path);
  rig.form.foldersFound(three);
  rig.form.foldersScanned();
  const std::size_t before = rig.view.shown.size(), beforeUpright = upright.shown.size();
  const std::size_t loads = rig.pictures.loaded.size(), prefetches = rig.prefetched.size();
  rig.runFor(3 * 2.3 + 0.2);
  std::vector<std::string> asked(rig.pictures.loaded.begin() + static_cast<std::ptrdiff_t>(loads),
                                 rig.pictures.loaded.end());
  asked.insert(asked.end(), rig.prefetched.begin() + static_cast<std::ptrdiff_t>(prefetches), rig.prefetched.end());
  for (const std::string& path : asked)
    EXPECT_NE(std::find(three.begin(), three.end(), path), three.end()) << "asked for '" << path << "'";
  ASSERT_EQ(rig.view.shown.size(), before + 3);
  std::vector<std::string> after(rig.view.shown.begin() + static_cast<std::ptrdiff_t>(before), rig.view.shown.end());
  after.insert(after.end(), upright.shown.begin() + static_cast<std::ptrdiff_t>(beforeUpright), upright.shown.end());
  for (const std::string& path : after) EXPECT_NE(std::find(three.begin(), three.end(), path), three.end()) << path;
  for (const auto& slide : rig.form.slides()) {
    EXPECT_GE(slide.image, 0);
    EXPECT_LE(slide.image, rig.form.sequence().last());
  }
}

// A folder that no decoder opens: a few pictures a tick, the rest at the
// next, so input is answered in between.
TEST(Slideshow, BrokenFolderPicturesArePassedOverAFewATick) {
  SaverRig rig(iniWith({}, "timeInterval=5\r\npicRandom=cent\r\n") + "[folders]\r\ntotal=1\r\n0=C:\\F\r\n");
  std::vector<std::string> broken;
  for (int i = 0; i < 500; ++i) broken.push_back("C:\\F\\" + std::to_string(1000 + i) + ".jpg");
  std::size_t most = 0;  // loads in one tick
  rig.queue.onTimer = [&](TimerId id) {
    const std::size_t loads = rig.pictures.loaded.size();
    if (!rig.host.ended) rig.form.onTimer(id);
    most = std::max(most, rig.pictures.loaded.size() - loads);
  };
  rig.load();
  rig.form.foldersFound(broken);
  rig.form.foldersScanned();
  rig.runFor(60);
  EXPECT_GE(most, 1u);
  EXPECT_LE(most, 8u);
  EXPECT_GT(rig.pictures.loaded.size(), broken.size()) << "all tried, and again 30 s later";
  EXPECT_EQ(rig.view.captionText, "No pictures found in C:\\F");
  EXPECT_TRUE(rig.messages.shown.empty());
  EXPECT_FALSE(rig.host.ended);
}

// The folder source's messages run in the reveal's pause: what they bring
// while findings are handled, or a change runs, waits for it to end.
TEST(Slideshow, FolderFindingsThatArriveInAChangeKeepTheirOrder) {
  SaverRig rig(iniWith({}, "timeInterval=5\r\npicRandom=cent\r\n") + "[folders]\r\ntotal=1\r\n0=C:\\F\r\n");
  const std::vector<std::string> all = {"C:\\F\\a.jpg", "C:\\F\\b.jpg", "C:\\F\\c.jpg", "C:\\F\\d.jpg"};
  for (const std::string& path : all) rig.pictures.sizes[path] = {50, 40};
  rig.load();
  rig.runFor(1);  // the start-up tick: nothing found yet
  ASSERT_TRUE(rig.view.shown.empty());
  bool delivered = false;
  rig.queue.onYield = [&] {
    if (std::exchange(delivered, true)) return;
    rig.form.foldersFound({all[2]});
    rig.form.foldersFound({all[3]});
    rig.form.foldersScanned();
  };
  // One delivery of two findings, as the source hands them over.
  rig.form.foldersFound({all[0]});
  rig.form.foldersFound({all[1]});
  rig.runFor(1);
  EXPECT_TRUE(delivered);
  EXPECT_EQ(rig.form.sequence().paths(), all);
  EXPECT_FALSE(rig.form.sequence().scanning());
  rig.runFor(20);
  EXPECT_EQ(rig.view.shown, all);
}

TEST(Slideshow, NothingInTheFoldersSaysSoInTheCaptionBandAndTriesAgain) {
  SaverRig rig(iniWith({}, "timeInterval=3\r\npicRandom=cent\r\n") +
               "[folders]\r\ntotal=2\r\n0=E:\\Gone\r\n1=C:\\Empty\r\n");
  rig.load();
  rig.form.foldersScanned();
  rig.runFor(1);
  EXPECT_EQ(rig.view.captionText, "No pictures found in E:\\Gone");
  EXPECT_TRUE(rig.view.captionVisible);
  EXPECT_TRUE(rig.view.reveals.empty());
  EXPECT_TRUE(rig.messages.shown.empty());
  EXPECT_FALSE(rig.host.ended);
  ASSERT_EQ(rig.folderSource.scans.size(), 2u);
  rig.form.foldersScanned();  // nothing again
  rig.runFor(30);             // tried again; now the drive is back
  ASSERT_EQ(rig.folderSource.scans.size(), 3u);
  rig.pictures.sizes["E:\\Gone\\a.jpg"] = {70, 50};
  rig.form.foldersFound({"E:\\Gone\\a.jpg"});
  rig.form.foldersScanned();
  rig.runFor(1);
  EXPECT_EQ(rig.view.shown, (std::vector<std::string>{"E:\\Gone\\a.jpg"}));
}

TEST(Slideshow, PictureIsCentredInTwipsEvenWhenLargerThanTheScreen) {
  struct Row {
    int w, h;
    double left, top;
  };
  // Screen 1024 x 768 px = 15360 x 11520 twips.
  const std::vector<Row> rows = {
      {100, 80, 6930, 5160},       // (15360 - 1500) / 2, (11520 - 1200) / 2
      {101, 81, 6922, 5152},       // 13845 / 2 -> 6922 (remainder dropped)
      {2048, 1536, -7680, -5760},  // larger than the screen: negative, cut equally
      {1025, 769, -7, -7},         // -15 / 2 -> -7 (toward zero)
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h));
    SaverRig rig(iniWith({{"C:\\p\\x.jpg", ""}}, "timeInterval=0\r\npicRandom=cent\r\n"));
    rig.pictures.sizes["C:\\p\\x.jpg"] = {r.w, r.h};
    rig.load();
    rig.runFor(1);
    EXPECT_EQ(rig.view.pictureRect, (saver::TwipRect{r.left, r.top, r.w * 15.0, r.h * 15.0}));
  }
}

TEST(Fit, LargePicturesShrinkWholeSmallOnesNeverGrow) {
  struct Row {
    PictureSize picture, box, shown;
  };
  const std::vector<Row> rows = {
      {{3000, 2000}, {1024, 768}, {1024, 683}},  // width-limited, 682.67 to the nearest
      {{2000, 3000}, {1024, 768}, {512, 768}},   // height-limited
      {{1024, 768}, {1024, 768}, {1024, 768}},   // an exact fit stays
      {{1025, 768}, {1024, 768}, {1024, 767}},   // one pixel over
      {{640, 480}, {1024, 768}, {640, 480}},     // never enlarged
      {{1, 5000}, {1024, 768}, {1, 768}},        // a pixel wide stays a pixel wide
      {{5000, 1}, {1024, 768}, {1024, 1}},      {{3000, 2000}, {0, 0}, {3000, 2000}},  // no box: natural size
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.picture.width) + "x" + std::to_string(r.picture.height) + " in " +
                 std::to_string(r.box.width) + "x" + std::to_string(r.box.height));
    EXPECT_EQ(fitWithin(r.picture, r.box), r.shown);
  }
  // The room: the monitor, less the caption band twice, three quarters when floating.
  EXPECT_EQ(saver::pictureRoom({1024, 768}, 20, false, false), (PictureSize{1024, 768}));
  EXPECT_EQ(saver::pictureRoom({1024, 768}, 20, true, false), (PictureSize{1024, 728}));
  EXPECT_EQ(saver::pictureRoom({1024, 768}, 20, true, true), (PictureSize{768, 546}));
  EXPECT_EQ(saver::pictureRoom({1024, 768}, 20, false, true), (PictureSize{768, 576}));
  EXPECT_EQ(saver::pictureRoom({100, 30}, 20, true, false), (PictureSize{100, 1}));
}

TEST(Fit, PicFitAsksForTheRoomAndCentresWhatItGets) {
  struct Row {
    const char* options;
    const char* caption;
    PictureSize fit;
  };
  const std::vector<Row> rows = {
      {"picFit=1\r\npicRandom=cent\r\n", "", {1024, 768}},
      {"picFit=1\r\npicRandom=cent\r\n", "Beach", {1024, 728}},  // a caption line is 20 px
      {"picFit=1\r\npicRandom=rand\r\n", "Beach", {768, 546}},
      {"picFit=0\r\npicRandom=cent\r\n", "", {0, 0}},
      {"picRandom=cent\r\n", "", {0, 0}},  // a file without the key: natural size, as always
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.options) + " caption '" + r.caption + "'");
    SaverRig rig(iniWith({{"C:\\p\\x.jpg", r.caption}}, std::string("timeInterval=0\r\n") + r.options));
    rig.pictures.sizes["C:\\p\\x.jpg"] = {3000, 2000};
    rig.load();
    rig.runFor(1);
    ASSERT_FALSE(rig.pictures.requests.empty());
    EXPECT_EQ(rig.pictures.requests.back().fit, r.fit);
    ASSERT_FALSE(rig.prefetchRequests.empty());
    EXPECT_EQ(rig.prefetchRequests.front(), rig.pictures.requests.back()) << "prefetched as it is shown";
    const PictureSize shown = fitWithin({3000, 2000}, r.fit);
    EXPECT_EQ(rig.view.pictureRect.width, shown.width * 15.0);
    EXPECT_EQ(rig.view.pictureRect.height, shown.height * 15.0);
    if (r.fit.width != 768) {  // a floating one has moved on since
      EXPECT_EQ(rig.view.pictureRect.left, saver::centredOffset(15360, shown.width * 15.0));
    }
  }
}

TEST(Surround, AskedForWithBlurFillAndShownWhereThePictureLeavesRoom) {
  struct Row {
    const char* options;
    PictureSize picture;
    PictureSize asked;  // the monitor, or nothing
    bool shown;
  };
  const std::vector<Row> rows = {
      {"blurFill=1\r\npicFit=1\r\npicRandom=cent\r\n", {3000, 2000}, {1024, 768}, true},
      {"blurFill=1\r\npicRandom=rand\r\n", {300, 600}, {1024, 768}, true},
      {"blurFill=1\r\npicRandom=cent\r\n", {1024, 768}, {1024, 768}, false},  // it covers the monitor
      {"picFit=1\r\npicRandom=cent\r\n", {3000, 2000}, {}, false},            // a file without the key
      {"blurFill=0\r\npicFit=1\r\n", {3000, 2000}, {}, false},
      {"blurFill=1\r\npicFit=1\r\n[background]\r\nbackEffect=1\r\n", {3000, 2000}, {}, false},  // the desktop
      {"blurFill=1\r\npicRandom=zoom\r\n", {600, 1200}, {1024, 768}, true},  // shown whole, it only zooms
      {"blurFill=1\r\npicRandom=zoom\r\n", {4000, 3000}, {1024, 768}, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.options);
    SaverRig rig(iniWith({{"C:\\p\\x.jpg", ""}}, std::string("timeInterval=0\r\neffectMode=0\r\n") + r.options));
    rig.pictures.sizes["C:\\p\\x.jpg"] = {r.picture.width, r.picture.height};
    rig.load();
    rig.runFor(1);
    ASSERT_FALSE(rig.pictures.requests.empty());
    EXPECT_EQ(rig.pictures.requests.back().surround, r.asked);
    EXPECT_EQ(rig.view.surround != nullptr, r.shown);
    ASSERT_FALSE(rig.view.shown.empty());
  }
}

TEST(Slideshow, CaptionIsCentredAtTheTopAndWider) {
  SaverRig rig(iniWith(kThree, "timeInterval=2\r\npicRandom=cent\r\n"));
  addPictures(rig);
  rig.load();
  rig.runFor(1);
  // "First": 5 characters of 10 px -> 750 twips, plus 200.
  EXPECT_EQ(rig.view.captionText, "First");
  EXPECT_EQ(rig.view.captionWidth, 950);
  EXPECT_EQ(rig.view.captionLeft, (15360 - 950) / 2);
  EXPECT_EQ(rig.view.captionHeight, 300);
  EXPECT_TRUE(rig.view.captionVisible);
  rig.runFor(2.5);  // second picture: no caption, no band
  EXPECT_EQ(rig.view.captionText, "");
  EXPECT_EQ(rig.view.captionHeight, 0);
  EXPECT_EQ(rig.form.slides().front().captionHeight, 0);
}

TEST(Slideshow, PrefetchesThePictureThatComesNext) {
  SaverRig rig(iniWith(kThree, "timeInterval=2\r\npicRandom=cent\r\n"));
  addPictures(rig);
  rig.load();
  ASSERT_EQ(rig.prefetched, (std::vector<std::string>{"C:\\p\\a.jpg"}));
  rig.runFor(7);  // a, b, c shown; a is next again after the wrap
  EXPECT_EQ(rig.prefetched,
            (std::vector<std::string>{"C:\\p\\a.jpg", "C:\\p\\a.jpg", "C:\\p\\b.jpg", "C:\\p\\c.jpg", "C:\\p\\a.jpg"}));
}

TEST(Transitions, EffectNumberFollowsTheText) {
  struct Row {
    const char* effectMode;
    std::optional<int> effect;
  };
  const std::vector<Row> rows = {
      {"0", 0},
      {"1", 1},
      {"5", 5},
      {"7", 7},
      {" 3 ", 3},
      {"4.0", 4},
      {"9", std::nullopt},
      {"8.5", std::nullopt},
      {"8", 8},
      {"-1", std::nullopt},
      {"1.5", std::nullopt},
      {"abc", std::nullopt},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.effectMode);
    EXPECT_EQ(saver::effectNumber(r.effectMode), r.effect);
  }
}

TEST(Transitions, EffectChoice) {
  struct Row {
    const char* effectMode;
    const char* randomEffect;
    std::vector<double> r;
    std::vector<int> played;
    bool ends;
  };
  const std::vector<Row> rows = {
      {"0", "0", {}, {}, false},                                        // Standard: the commit alone
      {"3", "0", {}, {3}, false},       {"9", "0", {}, {}, false},      // outside 0-7: nothing drawn, still shown
      {"-1", "0", {}, {}, false},       {"0", "1", {0.0}, {1}, false},  // 7 * 0 + 1
      {"5", "1", {0.9999}, {7}, false},                                 // never 0, never 8
      {"abc", "0", {}, {}, false},      {"3", "yes", {}, {3}, false},   // unusable texts read as the defaults
      {"3", "2", {}, {3}, false},       {"2", "0.5", {}, {2}, false},   // random only when exactly 1
      {"8", "0", {}, {}, false},        {"8", "1", {0.5}, {4}, false},  // the crossfade is never drawn
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string("effectMode ") + r.effectMode + " randomEffect " + r.randomEffect);
    SaverRig rig(iniWith({{"C:\\p\\a.jpg", ""}}, std::string("timeInterval=0\r\npicRandom=cent\r\neffectMode=") +
                                                     r.effectMode + "\r\nrandomEffect=" + r.randomEffect + "\r\n"));
    rig.pictures.sizes["C:\\p\\a.jpg"] = {10, 10};
    rig.random.values = r.r;
    rig.load();
    rig.runFor(1);
    EXPECT_EQ(rig.view.effects, r.played);
    EXPECT_EQ(rig.view.reveals.size(), 1u);
  }
}

TEST(Transitions, CrossfadeSkipsThePauseAndChangesTheCaptionHalfWay) {
  SaverRig rig(iniWith({{"C:\\p\\a.jpg", "first"}, {"C:\\p\\b.jpg", "second"}},
                       "timeInterval=5\r\npicRandom=cent\r\neffectMode=8\r\n"));
  rig.pictures.sizes["C:\\p\\a.jpg"] = {100, 50};
  rig.pictures.sizes["C:\\p\\b.jpg"] = {40, 80};
  rig.load();
  rig.runFor(6);
  ASSERT_EQ(rig.view.crossfades.size(), 2u);
  EXPECT_EQ(rig.view.captionsAtHalfway, (std::vector<std::string>{"first", "second"}));
  ASSERT_EQ(rig.view.reveals.size(), 2u);
  EXPECT_EQ(rig.view.reveals[0].first, 0.5) << "no pause before the fade";
  EXPECT_EQ(rig.view.reveals[1].first, 5.5);
  EXPECT_TRUE(rig.view.effects.empty());
  // The fade ends with the new picture centred, where it stays.
  const saver::TwipRect b{saver::centredOffset(1024 * 15, 40 * 15), saver::centredOffset(768 * 15, 80 * 15), 40 * 15,
                          80 * 15};
  EXPECT_EQ(rig.view.crossfades[1], std::vector<saver::TwipRect>{b});
  EXPECT_EQ(rig.view.pictureRect, b);
  EXPECT_TRUE(rig.view.pictureVisible);
  EXPECT_EQ(rig.view.captionText, "second");
}

TEST(Slideshow, PanAndZoomCoversTheMonitorAlongAPathOfItsOwn) {
  SaverRig rig(iniWith({{"C:\\p\\a.jpg", ""}, {"C:\\p\\b.jpg", ""}},
                       "timeInterval=5\r\npicRandom=zoom\r\npicFit=0\r\neffectMode=0\r\n"));
  rig.pictures.sizes["C:\\p\\a.jpg"] = {4000, 3000};
  rig.pictures.sizes["C:\\p\\b.jpg"] = {300, 200};
  rig.random.values = {0.1, 0.2, 0.3, 0.4, 0.9};
  rig.load();
  rig.runFor(6);
  ASSERT_EQ(rig.view.panZooms.size(), 2u);
  // Held no larger than its largest zoom needs: 1.15 times 1024 x 768.
  EXPECT_EQ(rig.view.panZooms[0].first.picture, (PictureSize{1178, 883}));
  EXPECT_EQ(rig.view.panZooms[1].first.picture, (PictureSize{300, 200})) << "never enlarged on loading";
  EXPECT_DOUBLE_EQ(rig.view.panZooms[0].second, 5);
  EXPECT_DOUBLE_EQ(rig.view.panZooms[0].first.fromX, 0.1);
  EXPECT_FALSE(rig.view.panZooms[0].first.zoomIn);
  EXPECT_NE(rig.view.panZooms[1].first.fromX, 0.1) << "each picture takes its own start";
  EXPECT_TRUE(rig.prefetchRequests.back().cover);
  EXPECT_EQ(rig.view.pictureRect, (saver::TwipRect{0, 0, 1024 * 15, 768 * 15}));
  EXPECT_FALSE(rig.queue.active(TimerId::Motion)) << "no floating motion";
}

TEST(Transitions, RandomChoiceCoversOneToSevenAndKeepsItInMemoryOnly) {
  const std::string ini =
      iniWith({{"C:\\p\\a.jpg", ""}}, "timeInterval=1\r\npicRandom=cent\r\neffectMode=2\r\nrandomEffect=1\r\n");
  SaverRig rig(ini);
  rig.pictures.sizes["C:\\p\\a.jpg"] = {10, 10};
  for (int i = 0; i < 70; ++i) rig.random.values.push_back((i % 7) / 7.0 + 0.01);
  rig.load();
  rig.runFor(60);
  std::set<int> seen(rig.view.effects.begin(), rig.view.effects.end());
  EXPECT_EQ(seen, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(rig.files.files["C:\\Saver\\zbfaone.ini"], ini);
  EXPECT_EQ(std::count_if(rig.files.log.begin(), rig.files.log.end(), [](auto& e) { return e.rfind("save", 0) == 0; }),
            0);
}

TEST(Slideshow, AutomaticCaptionsForPicturesWithoutOne) {
  // A bare TIFF header: the first directory points at the Exif one (26),
  // whose DateTimeOriginal text is at 44.
  const auto exifWith = [](const char* date) {
    const unsigned char head[] = {'I', 'I', 42, 0, 8, 0, 0,    0,    1, 0, 0x69, 0x87, 4, 0, 1,  0, 0, 0, 26, 0, 0, 0,
                                  0,   0,   0,  0, 1, 0, 0x03, 0x90, 2, 0, 20,   0,    0, 0, 44, 0, 0, 0, 0,  0, 0, 0};
    return std::string(reinterpret_cast<const char*>(head), sizeof head) + date + std::string(1, '\0');
  };
  struct Row {
    const char* mode;
    const char* caption;
    const char* exifDate;  // nullptr: the file cannot be read
    bool modifiedKnown;
    const char* expected;
    bool inFolder = false;  // found in a folder rather than listed
  } rows[] = {
      {"0", "", "2024:05:17 10:22:33", true, ""},
      {"1", "", nullptr, false, "Beach day.2"},
      {"1", "Mine", nullptr, false, "Mine"},
      {"2", "", "2024:05:17 10:22:33", true, "long 17/5/2024"},
      {"2", "", "0000:00:00 00:00:00", true, "long 2/1/2020"},
      {"2", "", nullptr, true, "long 2/1/2020"},
      {"2", "", "0000:00:00 00:00:00", false, ""},
      {"7", "", "2024:05:17 10:22:33", true, ""},
      {"2", "", "2024:05:17 10:22:33", true, "long 17/5/2024", true},
  };
  const std::string path = "D:\\Photos\\Beach day.2.jpg";
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.mode << ", " << (row.exifDate ? row.exifDate : "unreadable"));
    const std::string options = std::string("autoCaption=") + row.mode + "\r\ntimeInterval=0\r\n";
    SaverRig rig(row.inFolder ? iniWith({}, options) + "[folders]\r\ntotal=1\r\n0=D:\\Photos\r\n"
                              : iniWith({{path, row.caption}}, options));
    rig.pictures.sizes[path] = {100, 80};
    if (row.exifDate) rig.host.fileStarts[path] = exifWith(row.exifDate);
    if (row.modifiedKnown) rig.host.modified[path] = {2020, 1, 2};
    rig.load();
    if (row.inFolder) {
      rig.form.foldersFound({path});
      rig.form.foldersScanned();
    }
    rig.runFor(1);
    EXPECT_EQ(rig.view.captionText, row.expected);
    EXPECT_EQ(rig.view.captionHeight == 0, std::string(row.expected).empty());
  }
}

// The show as the keys steer it: four pictures in list order, 5 s apart.
// Keys: R right, L left, S space, I, H, X, E escape, C ctrl+right, each at
// its time; "+" a repeat of a key held, "~" in the next change's pause.
TEST(Steering, KeysStepPauseShowDetailsAndHide) {
  const std::string on = "keysSteer=1\r\n", pw = "[password]\r\nsaverPassword=x\r\nsaverEnabled=1\r\n";
  std::string held = "R2";  // for two seconds, 32 repeats a second; then a press of its own
  for (int i = 1; i < 64; ++i) held += " +R" + std::to_string(2 + i / 32.0);
  held += " R3.98";
  const char* details = "b.jpg  \xC2\xB7  C:\\p  \xC2\xB7  200 \xC3\x97 80";
  struct Row {
    const char* name;
    std::string options, keys;
    double until;
    const char* shown;
    std::string taken;
    bool paused = false;
    const char* details = "";
    const char* hidden = "(none)";  // zbfaone.hidden afterwards
  };
  const Row rows[] = {
      {"right: the next now, the interval from then", on, "R2", 9, "a@0.80 b@2.30 c@7.60", "y"},
      {"back to the first (where it stays), forth again, then the order", on, "R2 R3 L4 L5 L6 R7 R8 R9", 9.5,
       "a@0.80 b@2.30 c@3.30 b@4.30 a@5.30 b@7.30 c@8.30 d@9.30", "yyyyyyyy"},
      {"space holds over two intervals and resumes with the interval", on, "S2 S14", 20, "a@0.80 b@19.30", "yy"},
      {"paused, right still steps and the pause holds", on, "S2 R3", 30, "a@0.80 b@3.30", "yy", true},
      {"floating stops while paused", on + "picRandom=rand\r\n", "S2", 4, "a@0.80", "y", true},
      {"held: about four steps a second", on + "effectMode=8\r\n", held, 4.5,
       "a@0.50 b@2.00 c@2.25 d@2.50 a@2.75 b@3.00 c@3.25 d@3.50 a@3.75 b@3.98", std::string(65, 'y')},
      {"in a change's pause: taken once it has ended", on, "~R5 ~S11", 30, "a@0.80 b@6.10 c@6.40 d@11.70", "yy", true},
      {"without the setting every key is left to end the saver", "", "R2 S3", 7, "a@0.80 b@6.10", "nn"},
      {"other keys, and with ctrl, are left to end the saver", on, "E2 X2 C3", 3, "a@0.80", "nnn"},
      {"protected: arrows, space and I steer, H brings up the prompt", on + pw, "R2 I3 S4 H5", 8, "a@0.80 b@2.30",
       "yyyn", true, details},
      {"H hides for good, the next at once, never again, nor in the next run", on, "R2 H3", 24,
       "a@0.80 b@2.30 c@3.30 d@8.60 a@13.90 c@19.20", "yy", false, "", "C:\\p\\b.jpg\r\n"},
      {"I: each picture's details, the next one's after a change", on, "I2", 7, "a@0.80 b@6.10", "y", false, details},
  };
  const std::string letters = "RCLSIHXE";
  const int codes[] = {
      saver::kKeyRight, saver::kKeyRight, saver::kKeyLeft, saver::kKeySpace, saver::kKeyI, saver::kKeyH, 'X', 0x1B};
  const auto shownBy = [](const SaverRig& rig) {  // "a@0.80 b@2.30": each picture committed, and when
    std::string shown;
    for (std::size_t i = 0; i < rig.view.shown.size(); ++i) {
      char at[32];
      std::snprintf(at, sizeof at, " %c@%.2f", rig.view.shown[i][5], rig.view.reveals[i].first);
      shown += at;
    }
    return shown.substr(1);
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SaverRig rig(iniWith({{"C:\\p\\a.jpg", ""}, {"C:\\p\\b.jpg", ""}, {"C:\\p\\c.jpg", ""}, {"C:\\p\\d.jpg", ""}},
                         row.options + "timeInterval=5\r\npicRandom=cent\r\n"));  // the first of a key counts
    for (int i = 0; i < 4; ++i)
      rig.pictures.sizes[std::string("C:\\p\\") + char('a' + i) + ".jpg"] = {100 * (i + 1), 80};
    rig.load();
    std::string taken;
    std::istringstream script(row.keys);
    for (std::string k; script >> k;) {
      const bool repeat = k[0] == '+', inPause = k[0] == '~';
      if (repeat || inPause) k.erase(0, 1);
      const saver::KeyPress press{codes[letters.find(k[0])], repeat, k[0] == 'C'};
      rig.queue.runUntil(std::stod(k.substr(1)));
      bool sent = false;
      const auto send = [&] {
        if (!std::exchange(sent, true)) taken += rig.form.steer(press) ? 'y' : 'n';
      };
      if (!inPause) send();
      rig.queue.onYield = send;
      while (!sent) rig.queue.runFor(0.1);
      rig.queue.onYield = nullptr;
    }
    rig.queue.runUntil(row.until);
    EXPECT_EQ(shownBy(rig), row.shown);
    EXPECT_EQ(taken, row.taken);
    EXPECT_EQ(rig.form.state().paused(), row.paused);
    EXPECT_EQ(rig.view.paused, row.paused);
    EXPECT_EQ(row.paused && (rig.queue.active(TimerId::Change) || rig.queue.active(TimerId::Motion)), false);
    EXPECT_EQ(rig.view.details, row.details);
    const auto file = rig.files.files.find("C:\\Saver\\zbfaone.hidden");
    EXPECT_EQ(file == rig.files.files.end() ? "(none)" : file->second, row.hidden);
    EXPECT_FALSE(rig.host.ended);
    if (file == rig.files.files.end()) continue;
    SaverRig next(rig.files.files["C:\\Saver\\zbfaone.ini"]);
    next.files.files = rig.files.files;
    next.pictures.sizes = rig.pictures.sizes;
    next.load();
    next.runFor(30);
    EXPECT_EQ(shownBy(next), "a@0.80 c@6.10 d@11.40 a@16.70 c@22.00 d@27.30");
  }
}

namespace {

struct News {
  double at;
  saver::DisplayPower power;
  bool inPause = false;  // delivered in the first pause at or after `at`
};

// What the view was asked to draw, what was asked to be decoded, and the commits.
std::array<std::size_t, 3> asked(const SaverRig& r) {
  return {r.view.effectFrames.size() + r.view.crossfades.size() + r.view.moves.size() + r.view.panZooms.size() +
              r.view.clockShown.size(),
          r.pictures.loaded.size() + r.prefetched.size(), r.view.reveals.size()};
}

}  // namespace

TEST(DisplayPower, NothingIsDrawnOrLoadedWhileOffAndTheNextPictureComesWhenOn) {
  using P = saver::DisplayPower;
  const std::string centred = "picRandom=cent\r\nclock=1\r\n", floating = "picRandom=rand\r\n";
  struct Row {
    const char* name;
    std::string options;
    std::vector<News> news;
    std::vector<double> reveals;  // up to 25.9 s
    std::size_t commitsWhileOff = 0;
  } rows[] = {
      {"off, on", centred, {{3, P::Off}, {20, P::On}}, {0.8, 20.35, 25.65}},
      {"off, dimmed", centred, {{3, P::Off}, {20, P::Dimmed}}, {0.8, 20.35, 25.65}},
      {"off twice", centred, {{3, P::Off}, {9, P::Off}, {20, P::On}}, {0.8, 20.35, 25.65}},
      {"on and dimmed while on",
       centred,
       {{3, P::On}, {4, P::Dimmed}, {6.5, P::Off}, {20, P::On}, {21, P::On}},
       {0.8, 6.1, 20.35, 25.65}},
      {"off before the start", centred, {{0.2, P::Off}, {10, P::On}}, {10.35, 15.65, 20.95}},
      {"off in the pause", centred, {{5.7, P::Off, true}, {20, P::On}}, {0.8, 6.1, 20.35, 25.65}, 1},
      {"floating", floating, {{3, P::Off}, {20, P::On}}, {0.8, 20.35, 25.65}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SaverRig rig(iniWith(kThree, "timeInterval=5\r\neffectMode=1\r\n" + row.options));
    addPictures(rig);
    std::size_t next = 0;
    std::optional<std::array<std::size_t, 3>> atOff;
    const auto deliver = [&] {
      const P power = row.news[next++].power;
      if (power != P::Off && atOff) {
        const auto now = asked(rig);
        EXPECT_EQ(now[0], (*atOff)[0]) << "drawn while off";
        EXPECT_EQ(now[1], (*atOff)[1]) << "decoded while off";
        EXPECT_EQ(now[2] - (*atOff)[2], row.commitsWhileOff);
        atOff.reset();
      }
      if (power == P::Off && !atOff) atOff = asked(rig);
      rig.form.displayPowerChanged(power);
      for (TimerId id : {TimerId::Motion, TimerId::Change, TimerId::Startup, TimerId::Clock})
        EXPECT_FALSE(power == P::Off && rig.queue.active(id)) << "timer " << static_cast<int>(id);
    };
    rig.queue.onYield = [&] {
      if (next < row.news.size() && row.news[next].inPause && rig.clock.now >= row.news[next].at) deliver();
    };
    rig.load();
    while (next < row.news.size()) {
      const bool inPause = row.news[next].inPause;
      rig.queue.runUntil(inPause ? rig.clock.now + 0.01 : row.news[next].at);
      if (!inPause) deliver();
    }
    rig.queue.runUntil(25.9);
    std::vector<double> times;
    for (const auto& r : rig.view.reveals) times.push_back(std::round(r.first * 100) / 100);
    EXPECT_EQ(times, row.reveals);
  }
}

TEST(StillOnBattery, PanningAndFloatingPicturesStandStillCentredFollowingThePowerSource) {
  using S = saver::PowerSource;
  for (const std::string movement : {"zoom", "rand"})
    for (const std::string still : {"0", "1"})
      for (const bool battery : {false, true}) {
        SCOPED_TRACE(movement + " stillOnBattery=" + still + (battery ? " on battery" : ""));
        SaverRig rig(iniWith(kThree, "timeInterval=5\r\npicFit=0\r\neffectMode=8\r\npicRandom=" + movement +
                                         "\r\nstillOnBattery=" + still + "\r\n"));
        rig.pictures.sizes = {{"C:\\p\\a.jpg", {2048, 768}}, {"C:\\p\\b.jpg", {200, 80}}, {"C:\\p\\c.jpg", {300, 80}}};
        const bool zoom = movement == "zoom", stands = still == "1" && battery;
        rig.form.powerSourceChanged(battery ? S::Battery : S::Mains);
        rig.load();
        rig.runFor(1);
        EXPECT_EQ(zoom ? !rig.view.panZooms.empty() : rig.queue.active(TimerId::Motion), !stands);
        if (zoom && stands) EXPECT_EQ(rig.pictures.requests[0].fit, (PictureSize{1024, 768 - 2 * 20})) << "fitted";
        EXPECT_EQ(rig.view.crossfades.size(), 1u) << "the crossfade stays";
        if (still == "0" || battery) continue;
        // Unplugged, then plugged in again; each told twice, as the system may.
        const std::size_t pans = rig.view.panZooms.size();
        rig.form.powerSourceChanged(S::Battery);
        rig.form.powerSourceChanged(S::Battery);
        EXPECT_EQ(rig.view.panZoomHolds, zoom ? 1 : 0);
        EXPECT_FALSE(rig.queue.active(TimerId::Motion));
        if (!zoom) EXPECT_EQ(rig.view.pictureRect.left, saver::centredOffset(1024 * 15, rig.view.pictureRect.width));
        rig.runFor(6);
        EXPECT_EQ(rig.view.panZooms.size(), pans) << "the next picture stands still too";
        rig.form.powerSourceChanged(S::Mains);
        rig.form.powerSourceChanged(S::Mains);
        EXPECT_EQ(rig.queue.active(TimerId::Motion), !zoom);
        rig.runFor(6);
        EXPECT_EQ(rig.view.panZooms.size() > pans, zoom) << "and pans again after";
      }
}

TEST(Clock, TurnsOnTheMinuteByTheClockOnEveryMonitorClearOfTheCaption) {
  SaverRig rig(iniWith({{"C:\\p\\a.jpg", "First"}, {"C:\\p\\b.jpg", std::string(70, 'w')}},
                       "timeInterval=5\r\npicRandom=cent\r\nclock=1\r\nallMonitors=1\r\n"));
  addPictures(rig);
  rig.view.addMonitor(640, 40);  // its caption reaches over both lower corners
  rig.clock.midnightOffset = 12 * 3600 + 42.5;
  rig.load();
  EXPECT_EQ(rig.view.clockText, "12:00");
  // In from the lower right corner: 24 px and the walk's first cell.
  EXPECT_EQ(rig.view.clockRect, (saver::TwipRect{(1024 - 24 - 25) * 15, (768 - 24 - 10) * 15, 25 * 15, 10 * 15}));
  rig.runFor(17.5);
  EXPECT_EQ(rig.view.clockText, "12:00");
  const auto& other = rig.view.at(1);
  EXPECT_EQ(other.clockRect.top, 24 * 15) << "below its caption, never where the caption is";
  EXPECT_EQ(other.clockRect.left, (640 - 24 - 25) * 15);
  rig.runFor(0.03);
  EXPECT_EQ(other.clockText, "12:01");
  EXPECT_EQ(rig.view.clockRect.left, (1024 - 24 - 3 - 25) * 15) << "a cell further in";
  // Set back by 20 s: the next minute by the clock, not a minute on.
  rig.clock.midnightOffset -= 20;
  rig.runFor(59.9);
  EXPECT_EQ(rig.view.clockText, "12:01");
  rig.runFor(20.2);
  EXPECT_EQ(rig.view.clockText, "12:02");

  SaverRig dated(iniWith(kThree, "clock=2\r\n")), none(iniWith(kThree, "clock=3\r\n"));
  dated.load();
  none.load();
  none.runFor(120);
  EXPECT_EQ(dated.view.clockText, "12:00  long 9/12/2026");
  EXPECT_TRUE(none.view.clockShown.empty());
  EXPECT_FALSE(none.queue.active(TimerId::Clock));
}

TEST(Clock, WalksEveryCellAMinuteAtATimeAndFindsACornerOrNone) {
  std::set<std::pair<int, int>> cells;
  for (int m = 0; m < 1440; ++m) {
    const saver::ClockDrift a = saver::clockDrift(m), b = saver::clockDrift((m + 1) % 1440);
    cells.insert({a.column, a.row});
    EXPECT_EQ(std::abs(a.column - b.column) + std::abs(a.row - b.row), 1) << "from minute " << m;
  }
  EXPECT_EQ(cells.size(), 16u);
  EXPECT_EQ(saver::msToNextMinute(86399.99), 10u + saver::kClockLateMs) << "just before midnight";
  // A caption over the lower right corner sends it to the lower left; one over the whole monitor, nowhere.
  const auto place = [](saver::TwipRect caption) {
    return saver::clockPlace({15000, 7500}, {1500, 300}, 15, {}, caption);
  };
  EXPECT_EQ(place({9000, 6000, 6000, 1500}), (saver::TwipRect{24 * 15, 7500 - 24 * 15 - 300, 1500, 300}));
  EXPECT_FALSE(place({0, 0, 15000, 7500}).has_value());
  EXPECT_EQ(saver::clockShadowColour(0x00FF00), 0x000000u);
  EXPECT_EQ(saver::clockShadowColour(0x400000), 0xFFFFFFu) << "dark blue";
  EXPECT_EQ(saver::clockPoints(30), 15);
  EXPECT_EQ(saver::clockPoints(14), 8);
}
