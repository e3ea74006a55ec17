// Which pictures come next: the listed pictures and the folders' pictures,
// in list order, at random, or shuffled without repeats across runs; with
// monitors of both shapes each takes a picture of its own shape from close
// ahead; the folders are scanned again as the show goes round.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/picture.h"
#include "saver/picture_sequence.h"
#include "saver/shuffle.h"

namespace lumova {
class Random;
namespace settings {
class FileStore;
}
}  // namespace lumova

namespace lumova::saver {

struct SlideOrderDeps {
  Random& random;
  // The system's random source, for the shuffled order (its rounds must
  // differ between two starts in the same second).
  Random& orderRandom;
  settings::FileStore& files;       // where the shuffled round is read from
  settings::FileStore& stateFiles;  // where it is saved (on a worker)
  std::string exeFolder;
  // A picture's size upright (after its orientation mark), when known; may
  // be empty (no shape is preferred).
  std::function<std::optional<PictureSize>(const std::string&)> uprightSize;
  FolderSource* folders = nullptr;  // may be null: no folder is scanned
};

class SlideOrder {
 public:
  explicit SlideOrder(SlideOrderDeps deps) : d_(std::move(deps)) {}

  // The pictures of the settings; the folders are scanned from now on. A
  // shuffled round over listed pictures alone starts at once; with folders
  // it waits for the first scan's end, as a round matched against part of
  // the pictures would drop the rest.
  void load(PictureSequence sequence, bool randomOrder, bool shuffle, std::size_t monitors);
  const PictureSequence& sequence() const { return sequence_; }

  // The order starts again before the first picture.
  void restart() { current_ = -1; }
  // The next picture of the order.
  std::int32_t advance();
  // The pictures of the next change, one for each monitor (true: portrait),
  // in monitor order. A monitor that pairs (when given) whose picture is
  // portrait takes the next portrait one of kShapeLookAhead as its partner,
  // shown beside it; those passed over come first next time.
  const std::vector<std::int32_t>& drawUpcoming(const std::vector<bool>& portraitMonitors,
                                                const std::vector<bool>& pairingMonitors = {});
  const std::vector<std::int32_t>& upcoming() const { return upcoming_; }
  // Each monitor's partner picture, -1 for none.
  const std::vector<std::int32_t>& partners() const { return partners_; }
  // Monitor `m` shows its picture alone: its partner comes first next time
  // where the order allows (a shuffled round has counted it already).
  void dropPartner(std::size_t m);
  // Each of the first `monitors` without a picture to come (added since the
  // pictures were drawn, or whose picture a rescan took away) takes the next.
  void fillUpcoming(std::size_t monitors);
  // Monitor `m`'s picture could not be shown: it takes the next one instead.
  std::int32_t replaceUpcoming(std::size_t m);

  // The picture a monitor added to the show takes: the one it could not
  // show yet (held), else the next.
  std::int32_t takeForAddedMonitor();
  void holdForAddedMonitor(std::int32_t p) { addedNext_ = p; }

  // The shuffled round as far as it has been shown, into its state files.
  void saveShown();

  // The folders' scan, as its results come in. At a scan's end the
  // positions held from before it, and those in `shown` (the pictures on
  // the screen), follow their pictures by path into the new list; those of
  // pictures gone are drawn again (the ones on the screen stay until the
  // next change replaces them).
  void foldersFound(std::vector<std::string> pictures);
  void foldersScanned(const std::vector<std::int32_t*>& shown);
  void rescan();

 private:
  void startShuffle();
  bool isPortrait(std::int32_t p);
  // The shuffled round's picture `i` ahead, drawn.
  std::int32_t drawShuffled(std::size_t i);
  void followRescan(const std::vector<std::int32_t*>& shown);

  SlideOrderDeps d_;
  PictureSequence sequence_;
  bool randomOrder_ = false;
  bool shuffleWanted_ = false;
  std::size_t spread_ = 1;
  std::int32_t current_ = 0;  // the last picture drawn
  std::vector<std::int32_t> upcoming_;
  std::vector<std::int32_t> partners_;
  std::deque<std::int32_t> passedOver_;    // drawn, not shown yet
  std::vector<signed char> portrait_;      // by picture: -1 not known yet
  std::optional<std::int32_t> addedNext_;  // an added monitor's picture, still to be tried
  std::optional<Shuffle> shuffle_;
};

}  // namespace lumova::saver
