#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/input.h"
#include "common/protection.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/virtual_time.h"

namespace lumova::startup {
namespace {

using fakes::CallLog;

class FakePrompt : public password::Prompt {
 public:
  explicit FakePrompt(CallLog& log) : log_(log) {}
  void showPrompt() override { log_.push_back("show prompt"); }
  void hidePrompt() override { log_.push_back("hide prompt"); }

 private:
  CallLog& log_;
};

struct Rig {
  explicit Rig(bool isProtected = false, std::int32_t platform = 2) : host(log, platform) {
    protection.platformId = platform;
    protection.enabled = isProtected ? "1" : "0";
    protection.password = "pw";
    session.attachPrompt(prompt);
  }
  CallLog log;
  fakes::FakeHost host;
  fakes::VirtualClock clock;
  Protection protection;
  fakes::RecordingSaverWindow window{log};
  FakePrompt prompt{log};
  saver::RunState run;
  SaverSession session{SaverSessionDeps{protection, host, clock, window, run}};

  // One movement on the window that always passes the filter: the window
  // remembers a position well inside the screen first.
  void countedMove() {
    const float x = static_cast<float>(session.windowPointer().lastX > 6000 ? 3000 : 9000);
    if (session.windowPointer().lastX <= 0) session.onWindowMove(1500, 1500);
    session.onWindowMove(x, 1500);
  }
  bool ended() const { return session.state() == SaverState::Ended; }
};

enum class Surface { Window, Picture };
struct Report {
  Surface surface;
  float x, y;
};

TEST(MoveFilter, CountsOnlyMovementsBeyondThreeUnitsFromAKnownPosition) {
  using S = Surface;
  struct Row {
    const char* name;
    std::vector<Report> reports;
    int counted;
  };
  const std::vector<Row> rows = {
      {"first report on a surface only records", {{S::Window, 1500, 1500}}, 0},
      {"second report beyond 3 twips counts", {{S::Window, 1500, 1500}, {S::Window, 1515, 1500}}, 1},
      {"vertical movement counts too", {{S::Window, 1500, 1500}, {S::Window, 1500, 1504}}, 1},
      {"exactly 3 units in both directions does not count", {{S::Picture, 100, 100}, {S::Picture, 103, 97}}, 0},
      {"just over 3 units counts", {{S::Picture, 100, 100}, {S::Picture, 103.5f, 100}}, 1},
      {"same place again does not count", {{S::Picture, 100, 100}, {S::Picture, 100, 100}}, 0},
      {"remembered x of 0 lets the next go uncounted",
       {{S::Window, 0, 1500}, {S::Window, 1500, 1500}, {S::Window, 3000, 1500}},
       1},
      {"remembered y of 0 lets the next go uncounted", {{S::Picture, 50, 0}, {S::Picture, 50, 80}}, 0},
      {"remembered negative position lets the next go uncounted", {{S::Window, -15, 1500}, {S::Window, 1500, 1500}}, 0},
      {"beyond 32767 twips a movement counts", {{S::Window, 40000, 1500}, {S::Window, 40015, 1500}}, 1},
      {"beyond 32767 twips a drift does not count", {{S::Window, 40000, 1500}, {S::Window, 40002, 1500}}, 0},
      {"beyond 32767 twips on both axes", {{S::Window, 60000, 45000}, {S::Window, 60000, 45100}}, 1},
      // 100.5 is remembered as 100 (halves to even), so 104 is 4 away.
      {"remembered position rounds halves to even", {{S::Picture, 100.5f, 100}, {S::Picture, 104, 100}}, 1},
      {"remembered position rounds to nearest", {{S::Picture, 100.6f, 100}, {S::Picture, 104, 100}}, 0},
      {"each surface has its own position",
       {{S::Window, 1500, 1500}, {S::Picture, 50, 50}, {S::Window, 1500, 1500}, {S::Picture, 50, 50}},
       0},
      {"the picture's first report only records, whatever the window saw",
       {{S::Window, 1500, 1500}, {S::Picture, 50, 50}, {S::Picture, 60, 50}, {S::Window, 1515, 1500}},
       2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Rig rig;
    for (const Report& r : row.reports) {
      if (r.surface == Surface::Window)
        rig.session.onWindowMove(r.x, r.y);
      else
        rig.session.onPictureMove(r.x, r.y);
    }
    EXPECT_EQ(rig.session.burst().count, row.counted);
    EXPECT_FALSE(rig.ended());
  }
}

TEST(MoveFilter, RemembersTheLastReportPerSurface) {
  Rig rig;
  rig.session.onWindowMove(40000.4f, 1234.5f);
  rig.session.onPictureMove(7, 9);
  EXPECT_EQ(rig.session.windowPointer().lastX, 40000);
  EXPECT_EQ(rig.session.windowPointer().lastY, 1234);
  EXPECT_EQ(rig.session.picturePointer().lastX, 7);
  EXPECT_EQ(rig.session.picturePointer().lastY, 9);
}

TEST(MoveFilter, SlowDriftOnThePictureNeverCounts) {
  Rig rig;
  float x = 10, y = 500;
  for (int i = 0; i < 200; ++i) {
    x += 3;
    y -= (i % 2) ? 3 : 1;
    rig.session.onPictureMove(x, y);
    rig.clock.now += 0.01;
  }
  EXPECT_EQ(rig.session.burst().count, 0);
  EXPECT_FALSE(rig.ended());
}

TEST(MoveFilter, OnePixelOnTheWindowIsMoreThanThreeTwips) {
  Rig rig;
  // 15 twips to the pixel: a one-pixel step each report.
  for (int px = 100; px < 104; ++px) rig.session.onWindowMove(px * 15.0f, 300 * 15.0f);
  EXPECT_EQ(rig.session.burst().count, 3);
}

TEST(CountMove, FiveCountedMovementsInterrupt) {
  Rig rig;
  for (int i = 1; i <= 4; ++i) {
    rig.countedMove();
    rig.clock.now += 0.2;
    ASSERT_FALSE(rig.ended()) << "after " << i << " movements";
  }
  rig.countedMove();
  EXPECT_TRUE(rig.ended());
  EXPECT_EQ(rig.log, (CallLog{"end"}));
}

TEST(CountMove, FourMovementsAndAPauseDoNotInterruptButTheFifthStillDoes) {
  Rig rig;
  for (int i = 0; i < 4; ++i) rig.countedMove();
  rig.clock.now += 60;
  EXPECT_FALSE(rig.ended());
  EXPECT_EQ(rig.session.burst().count, 4);
  // Nothing in between found the burst expired: the fifth interrupts.
  rig.countedMove();
  EXPECT_TRUE(rig.ended());
}

TEST(CountMove, AMovementThatFindsTheBurstExpiredIsLost) {
  Rig rig;
  for (int i = 0; i < 3; ++i) rig.countedMove();
  rig.clock.now += 3;
  rig.countedMove();  // the fourth: expired, so the count starts over
  EXPECT_EQ(rig.session.burst().count, 0);
  EXPECT_FALSE(rig.session.burst().open);
  for (int i = 1; i <= 4; ++i) {
    rig.countedMove();
    EXPECT_EQ(rig.session.burst().count, i);
  }
  EXPECT_FALSE(rig.ended());
  rig.countedMove();
  EXPECT_TRUE(rig.ended());
}

TEST(CountMove, BurstStartIsAWholeSecond) {
  // The start is rounded (halves to even); a movement more than 2 seconds
  // after it finds the burst expired.
  struct Row {
    double first, second;
    bool expired;
  };
  const std::vector<Row> rows = {
      {0.6, 2.9, false},                      // start 1: 1.9 later
      {0.6, 3.0, false},                      // exactly 2 is not more than 2
      {0.6, 3.01, true},   {0.4, 2.5, true},  // start 0
      {2.5, 4.6, true},                       // start 2, not 3
      {3.5, 5.9, false},                      // start 4
      {10.0, 12.0, false}, {10.0, 12.001, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("first " + std::to_string(row.first) + ", second " + std::to_string(row.second));
    Rig rig;
    rig.session.onWindowMove(1500, 1500);
    rig.clock.now = row.first;
    rig.countedMove();
    ASSERT_EQ(rig.session.burst().count, 1);
    rig.clock.now = row.second;
    rig.countedMove();
    EXPECT_EQ(rig.session.burst().count, row.expired ? 0 : 2);
  }
}

TEST(CountMove, BurstExpiresAcrossMidnight) {
  Rig rig;
  rig.clock.midnightOffset = 86399;  // the first movement at 23:59:59.x
  rig.clock.now = 0.3;
  rig.countedMove();
  rig.clock.now = 3.3;  // 00:00:02: the time of day went backwards
  rig.countedMove();
  EXPECT_EQ(rig.session.burst().count, 0) << "the burst never expired";
  for (int i = 0; i < 4; ++i) rig.countedMove();
  EXPECT_FALSE(rig.ended());
}

TEST(CountMove, ACountPastFiveWaitsForTheBurstToExpire) {
  Rig rig(/*protection=*/true);
  rig.clock.midnightOffset = 86398;  // and across midnight too
  for (int i = 0; i < 5; ++i) rig.countedMove();
  ASSERT_EQ(rig.session.state(), SaverState::Prompting);
  rig.session.resumeSaver();
  EXPECT_EQ(rig.session.burst().count, 5) << "resuming must not reset the counter";

  rig.countedMove();  // sixth, within the burst: no interruption
  EXPECT_EQ(rig.session.state(), SaverState::Running);
  rig.clock.now += 5;
  rig.countedMove();  // finds it expired and is lost
  for (int i = 0; i < 4; ++i) rig.countedMove();
  EXPECT_EQ(rig.session.state(), SaverState::Running);
  rig.countedMove();
  EXPECT_EQ(rig.session.state(), SaverState::Prompting);
}

TEST(InterruptSaver, WithoutProtectionEveryKeyAndBackgroundButtonEndsAtOnce) {
  struct Row {
    const char* name;
    void (*handler)(SaverSession&);
  };
  const std::vector<Row> rows = {
      {"onKey", [](SaverSession& s) { s.onKey(); }},
      {"onPictureKey", [](SaverSession& s) { s.onPictureKey(); }},
      {"onButton", [](SaverSession& s) { s.onButton(); }},
  };
  for (const char* enabled : {"0", "", "2", "-1", "yes"}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(row.name) + " with saverEnabled '" + enabled + "'");
      Rig rig(false, 1);
      rig.protection.enabled = enabled;
      row.handler(rig.session);
      EXPECT_EQ(rig.log, (CallLog{"end"})) << "no lock to release, nothing else to do";
      EXPECT_TRUE(rig.ended());
    }
  }
}

TEST(InterruptSaver, WithProtectionDisablesLowersAndShowsThePrompt) {
  for (const char* enabled : {"1", "1.0", " 1 "}) {
    SCOPED_TRACE(std::string("saverEnabled '") + enabled + "'");
    Rig rig(true, 1);
    rig.protection.enabled = enabled;
    rig.session.onKey();
    EXPECT_EQ(rig.log, (CallLog{"disable", "lower", "show prompt"}));
    EXPECT_EQ(rig.session.state(), SaverState::Prompting);
  }
}

TEST(InterruptSaver, NothingReactsWhileThePromptIsUp) {
  Rig rig(true);
  rig.session.onWindowMove(1500, 1500);
  rig.session.onPictureMove(40, 40);
  rig.session.onButton();
  rig.log.clear();
  const auto before = rig.session.burst().count;

  rig.session.onKey();
  rig.session.onPictureKey();
  rig.session.onButton();
  for (int i = 0; i < 10; ++i) {
    rig.session.onWindowMove(3000.0f + 100 * i, 1500);
    rig.session.onPictureMove(80.0f + 10 * i, 40);
  }
  EXPECT_TRUE(rig.log.empty());
  EXPECT_EQ(rig.session.burst().count, before);
  EXPECT_EQ(rig.session.windowPointer().lastX, 1500);
  EXPECT_EQ(rig.session.picturePointer().lastX, 40);
  EXPECT_EQ(rig.session.state(), SaverState::Prompting);
}

TEST(ResumeSaver, ParksShowsEnablesRaisesThenHidesThePrompt) {
  Rig rig(true);
  rig.session.onKey();
  rig.log.clear();
  rig.session.resumeSaver();
  EXPECT_EQ(rig.log, (CallLog{"parkPointer", "show", "enable", "raise", "hide prompt"}));
  EXPECT_EQ(rig.session.state(), SaverState::Running);

  // Reacting again: the next key brings the prompt back.
  rig.log.clear();
  rig.session.onKey();
  EXPECT_EQ(rig.log, (CallLog{"disable", "lower", "show prompt"}));
}

TEST(UnlockAndEnd, ReleasesTheLockOnlyOutsideTheNTFamilyWithProtection) {
  struct Row {
    std::int32_t platform;
    const char* enabled;
    CallLog want;
  };
  const std::vector<Row> rows = {
      {1, "1", {"lock off", "end"}},
      {0, "1", {"lock off", "end"}},
      {2, "1", {"end"}},
      {1, "0", {"end"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("platform " + std::to_string(row.platform) + ", saverEnabled " + row.enabled);
    Rig rig(true, row.platform);
    rig.protection.enabled = row.enabled;
    rig.session.unlockAndEnd();
    EXPECT_EQ(rig.log, row.want);
    EXPECT_TRUE(rig.ended());
  }
}

TEST(SaverSession, OnPlatformTwoNoLockCallIsEverMade) {
  Rig rig(true, 2);
  for (int round = 0; round < 3; ++round) {
    rig.session.onButton();
    rig.session.resumeSaver();
    for (int i = 0; i < 5; ++i) rig.countedMove();
    rig.session.resumeSaver();
    rig.clock.now += 3;
  }
  rig.session.onPictureKey();
  rig.session.unlockAndEnd();
  ASSERT_TRUE(rig.ended());
  for (const auto& call : rig.log) EXPECT_EQ(call.find("lock"), std::string::npos) << call;
}

}  // namespace
}  // namespace lumova::startup
