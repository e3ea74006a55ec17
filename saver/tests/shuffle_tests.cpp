#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/random.h"
#include "saver/background_file_store.h"
#include "saver/shuffle.h"
#include "tests/fakes/memory_file_store.h"

using lumova::saver::Shuffle;

namespace {

class SeededRandom final : public lumova::Random {
 public:
  explicit SeededRandom(std::uint64_t seed) : s_(seed) {}
  void reseed() override {}
  double next() override {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1p-53;
  }

 private:
  std::uint64_t s_;
};

// One letter a picture: "abc" is a.jpg, b.jpg, c.jpg.
std::vector<std::string> paths(const std::string& letters) {
  std::vector<std::string> p;
  for (char c : letters) p.push_back(std::string("C:\\p\\") + c + ".jpg");
  return p;
}

// What the second run finds of the first one's two files.
enum class State { Kept, None, Garbage, CutShort, ByteChanged, PositionGarbage, PositionOfAnotherRound };

std::pair<std::string, std::string> found(std::string round, std::string position, State s) {
  switch (s) {
    case State::Kept:
      break;
    case State::None:
      return {};
    case State::Garbage:
      round = "[image]\r\nshuffle=1\r\n";
      break;
    case State::CutShort:
      round.resize(round.size() - 3);
      break;
    case State::ByteChanged:
      round[round.size() - 5] ^= 0x10;
      break;
    case State::PositionGarbage:
      position = "LumovaShuffle 1 zz 3\n";
      break;
    case State::PositionOfAnotherRound:
      position[position.size() - 4] ^= 0x01;  // a digit of the round's sum
      break;
  }
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
    SeededRandom firstRandom(7), secondRandom(1234);
    const auto before = paths(row.before), after = paths(row.after);
    Shuffle first(firstRandom);
    first.setSpread(row.monitors);
    first.setPictures(before);
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < row.drawn; ++i) shown.push_back(before[*first.next()]);

    Shuffle second(secondRandom);
    second.setSpread(row.monitors);
    const auto [round, position] = found(first.serialiseRound(), first.serialisePosition(), row.state);
    const bool roundIntact = row.state == State::Kept || row.state >= State::PositionGarbage;
    EXPECT_EQ(second.restore(round, position), roundIntact);
    second.setPictures(after);

    // What the round still owes: the new list less what it has shown.
    std::multiset<std::string> owed(after.begin(), after.end());
    if (row.state == State::Kept && row.drawn < row.before.size())
      for (const std::string& s : shown)
        if (auto it = owed.find(s); it != owed.end()) owed.erase(it);
    ASSERT_EQ(second.roundSize(), after.size());
    std::multiset<std::string> rest;
    std::vector<std::string> seen = row.state == State::Kept ? shown : std::vector<std::string>{};
    for (std::size_t i = 0; i < owed.size(); ++i) seen.push_back(after[*second.next()]);
    rest.insert(seen.end() - static_cast<std::ptrdiff_t>(owed.size()), seen.end());
    EXPECT_EQ(rest, owed);

    const std::multiset<std::string> all(after.begin(), after.end());
    const std::size_t avoid = std::min(row.monitors, after.size() / 2);
    for (int round = 0; round < 4; ++round) {
      SCOPED_TRACE(testing::Message() << "round " << round);
      const std::set<std::string> ending(seen.end() - static_cast<std::ptrdiff_t>(std::min(avoid, seen.size())),
                                         seen.end());
      std::vector<std::string> next;
      for (std::size_t i = 0; i < after.size(); ++i) next.push_back(after[*second.next()]);
      EXPECT_EQ(std::multiset<std::string>(next.begin(), next.end()), all);
      for (std::size_t i = 0; i < avoid && !seen.empty(); ++i) EXPECT_FALSE(ending.contains(next[i])) << next[i];
      seen.insert(seen.end(), next.begin(), next.end());
    }
  }
}

TEST(BackgroundFileStore, SavesInOrderOnItsWorkerAndTheLatestBytesWin) {
  lumova::fakes::MemoryFileStore memory;
  {
    lumova::saver::BackgroundFileStore files(memory);
    for (int i = 0; i <= 100; ++i) {
      files.replaceAtomically("C:\\s\\zbfaone.shuffle", "round " + std::to_string(i / 50));
      files.replaceAtomically("C:\\s\\zbfaone.shown", std::to_string(i));
    }
    files.drain();
    EXPECT_EQ(memory.files["C:\\s\\zbfaone.shown"], "100");
    EXPECT_EQ(memory.files["C:\\s\\zbfaone.shuffle"], "round 2");
    files.replaceAtomically("C:\\s\\zbfaone.shown", "last");
  }
  // Whatever was still waiting is saved before the store goes.
  EXPECT_EQ(memory.files["C:\\s\\zbfaone.shown"], "last");
  ASSERT_GE(memory.log.size(), 3u);
  EXPECT_EQ(memory.log.front(), "save C:\\s\\zbfaone.shuffle");
}
