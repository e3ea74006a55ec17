// Random order without repeats: every picture once, in a fresh random order,
// before any picture comes again. A round knows its pictures by their paths,
// so that it outlives the saver (its state goes to a file of its own at every
// change) and a list changed meanwhile: pictures added join the part of the
// round still to come, pictures removed leave it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lumova {
class Random;
}

namespace lumova::saver {

// Where the round is kept, beside the settings file under names of their
// own: its pictures in order (written when the round changes) and how far it
// has got (written at every change, a few bytes).
struct ShuffleFiles {
  std::string round;
  std::string shown;
};
ShuffleFiles shuffleFiles(std::string_view exeFolder);

class Shuffle {
 public:
  explicit Shuffle(Random& random) : random_(random) {}

  // The picture list, in list order. Call it after restore().
  void setPictures(std::span<const std::string> paths);
  // How many monitors take pictures at one change: a new round opens with
  // none of the last `monitors` pictures of the one before, as far as the
  // number of pictures allows (at least the one that ended it).
  void setSpread(std::size_t monitors) { spread_ = monitors ? monitors : 1; }

  // The list position of the next picture; a new round starts when every
  // picture of this one has been drawn. Nothing when the list is empty.
  std::optional<std::size_t> next() { return drawAhead(0); }
  // The list positions of the next pictures of the round, at most `most`,
  // not drawn yet: a monitor may choose among them. A round that is done
  // makes way for a new one first.
  std::vector<std::size_t> ahead(std::size_t most);
  // Draws the `i`-th of those ahead; the others keep their order.
  std::optional<std::size_t> drawAhead(std::size_t i);

  // The two state files' contents. restore() answers false and starts
  // afresh when the round is damaged; a position damaged, or written for
  // another round, counts nothing of the round as shown.
  std::string serialiseRound();
  std::string serialisePosition() const;
  bool restore(std::string_view round, std::string_view position);
  // The round differs from the one last written out.
  bool roundChanged() const { return roundChanged_; }

  std::size_t drawn() const { return drawn_; }
  std::size_t roundSize() const { return round_.size(); }

 private:
  std::size_t below(std::size_t n);
  void shuffleFrom(std::size_t first);
  void newRound();
  std::uint64_t roundSum() const;

  Random& random_;
  std::vector<std::uint64_t> round_;  // the round's pictures by key, in the order they come
  std::size_t drawn_ = 0;             // how many of them have been drawn
  struct Entry {
    std::size_t position;  // in the list
    std::uint64_t path;    // the key of its path alone
  };
  std::unordered_map<std::uint64_t, Entry> positions_;  // by key
  std::size_t spread_ = 1;
  bool roundChanged_ = true;
};

}  // namespace lumova::saver
