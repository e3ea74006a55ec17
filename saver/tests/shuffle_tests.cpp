#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/random.h"
#include "saver/background_file_store.h"
#include "saver/shuffle.h"
#include "tests/fakes/memory_file_store.h"
#include "tests/fakes/virtual_time.h"

using lumova::saver::Shuffle;

namespace {

// One letter a picture, its name the letter.
std::vector<std::string> names(const std::string& letters) {
  std::vector<std::string> v;
  for (char c : letters) v.emplace_back(1, c);
  return v;
}
std::string sorted(std::string s) {
  std::sort(s.begin(), s.end());
  return s;
}

// What the second run finds of the first one's two files.
enum class State { Kept, None, Garbage, CutShort, ByteChanged, PositionGarbage, PositionOfAnotherRound };

std::pair<std::string, std::string> found(std::string round, std::string position, State s) {
  if (s == State::None) return {};
  if (s == State::Garbage) round = "[image]\r\nshuffle=1\r\n";
  if (s == State::CutShort) round.resize(round.size() - 3);
  if (s == State::ByteChanged) round[round.size() - 5] ^= 0x10;
  if (s == State::PositionGarbage) position = "LumovaShuffle 1 zz 3\n";
  if (s == State::PositionOfAnotherRound) position[position.size() - 4] ^= 0x01;  // a digit of the round's sum
  return {round, position};
}

}  // namespace

// Two runs: the first draws some pictures of a round and leaves its state,
// the second starts from that state, perhaps with another list. Whatever
// the second run draws until its round ends is exactly what the round still
// owed; every later round shows each picture once; and no round opens with
// any of the pictures (one a monitor) that ended the round before it.
TEST(Shuffle, EveryPictureOnceARoundAcrossRunsAndListChanges) {
  struct Row {
    const char* name;
    std::string before;
    std::size_t drawn;  // in the first run
    State state;
    std::string after;
    std::size_t monitors;
  } rows[] = {
      {"rounds of one run", "abcdef", 0, State::None, "abcdef", 1},
      {"two pictures", "ab", 0, State::None, "ab", 1},
      {"one picture", "a", 0, State::None, "a", 1},
      {"half a round, then the rest", "abcdef", 3, State::Kept, "abcdef", 1},
      {"a whole round, then the next", "abcdef", 6, State::Kept, "abcdef", 1},
      {"added mid-round", "abcdef", 3, State::Kept, "abcdefghi", 1},
      {"removed mid-round", "abcdefgh", 4, State::Kept, "aceg", 1},
      {"added and removed", "abcdefgh", 5, State::Kept, "bdfhxyz", 1},
      {"from another list", "abcdef", 4, State::Kept, "uvwxyz", 1},
      {"listed twice", "abca", 2, State::Kept, "abcab", 1},
      {"listed twice, ending a round and opening the next", "aab", 0, State::None, "aab", 1},
      {"two monitors", "abcdefg", 4, State::Kept, "abcdefg", 2},
      {"three monitors, few pictures", "abcd", 2, State::Kept, "abcd", 3},
      {"garbage", "abcdef", 3, State::Garbage, "abcdef", 1},
      {"cut short", "abcdef", 3, State::CutShort, "abcdef", 1},
      {"a byte changed", "abcdef", 3, State::ByteChanged, "abcdef", 1},
      {"position garbage", "abcdef", 3, State::PositionGarbage, "abcdef", 1},
      {"position of another round", "abcdef", 3, State::PositionOfAnotherRound, "abcdef", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    lumova::fakes::VirtualClock firstClock, secondClock;
    secondClock.now = 1234.5;
    lumova::ClockSeededRandom firstRandom(firstClock), secondRandom(secondClock);
    Shuffle first(firstRandom), second(secondRandom);
    first.setSpread(row.monitors);
    second.setSpread(row.monitors);
    first.setPictures(names(row.before));
    std::string seen;  // the pictures drawn, over both runs
    for (std::size_t i = 0; i < row.drawn; ++i) seen += row.before[*first.next()];

    const auto [round, position] = found(first.serialiseRound(), first.serialisePosition(), row.state);
    EXPECT_EQ(second.restore(round, position), row.state == State::Kept || row.state >= State::PositionGarbage);
    second.setPictures(names(row.after));
    ASSERT_EQ(second.roundSize(), row.after.size());
    // What the round still owes: the new list less what it has shown.
    std::string owed = row.after;
    if (row.state == State::Kept && row.drawn < row.before.size())
      for (char c : seen)
        if (const auto at = owed.find(c); at != std::string::npos) owed.erase(at, 1);
    if (row.state != State::Kept) seen.clear();
    std::string rest;
    for (std::size_t i = 0; i < owed.size(); ++i) rest += row.after[*second.next()];
    EXPECT_EQ(sorted(rest), sorted(owed));
    seen += rest;

    const std::size_t avoid = std::min(row.monitors, row.after.size() / 2);
    for (int r = 0; r < 4; ++r) {
      std::string next;
      for (std::size_t i = 0; i < row.after.size(); ++i) next += row.after[*second.next()];
      EXPECT_EQ(sorted(next), sorted(row.after)) << "round " << r;
      const std::string ending = seen.substr(seen.size() - std::min(avoid, seen.size()));
      EXPECT_EQ(next.substr(0, avoid).find_first_of(ending), std::string::npos) << "round " << r << ": " << next;
      seen += next;
    }
  }
}

// The saves as the saver makes them, the first (the round's) failing: it is
// made again, and the next run goes on from where this one got to.
TEST(Shuffle, AFailedSaveOfTheRoundIsMadeAgain) {
  lumova::fakes::MemoryFileStore disk;
  disk.failNextSave = lumova::settings::SaveError::WriteFailed;
  lumova::fakes::VirtualClock clock;
  lumova::ClockSeededRandom random(clock);
  Shuffle first(random), second(random);
  first.setPictures(names("abcdef"));
  std::string seen;
  {
    lumova::saver::BackgroundFileStore files(disk);
    for (int i = 0; i < 3; ++i) {
      seen += "abcdef"[*first.next()];
      if (first.roundChanged()) files.replaceAtomically("round", first.serialiseRound());
      files.replaceAtomically("shown", first.serialisePosition());
    }
  }
  ASSERT_EQ(disk.log.front(), "save round");
  ASSERT_TRUE(second.restore(disk.files["round"], disk.files["shown"]));
  second.setPictures(names("abcdef"));
  EXPECT_EQ(second.drawn(), 3u);
  std::string rest;
  for (int i = 0; i < 3; ++i) rest += "abcdef"[*second.next()];
  EXPECT_EQ(sorted(seen + rest), "abcdef");
}
