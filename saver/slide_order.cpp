#include "saver/slide_order.h"

#include <algorithm>
#include <cmath>

#include "common/random.h"
#include "saver/monitor_shapes.h"
#include "settings/file_store.h"

namespace lumova::saver {

void SlideOrder::load(PictureSequence sequence, bool randomOrder, bool shuffle, std::size_t monitors) {
  sequence_ = std::move(sequence);
  randomOrder_ = randomOrder;
  shuffleWanted_ = shuffle;
  spread_ = monitors;
  rescan();
  if (shuffle && sequence_.folders().empty()) startShuffle();
}

void SlideOrder::startShuffle() {
  if (sequence_.size() == 0) return;
  // A damaged or missing state starts a new round; one of another list
  // keeps what still applies.
  shuffle_.emplace(d_.orderRandom);
  shuffle_->setSpread(spread_);
  const ShuffleFiles state = shuffleFiles(d_.exeFolder);
  const auto round = d_.files.readAll(state.round);
  if (round) shuffle_->restore(*round, d_.files.readAll(state.shown).value_or(""));
  shuffle_->setPictures(sequence_.paths());
}

void SlideOrder::foldersFound(std::vector<std::string> pictures) { sequence_.found(std::move(pictures)); }

void SlideOrder::foldersScanned() {
  sequence_.scanFinished();
  portrait_.clear();  // positions may have moved
  if (!shuffleWanted_) return;
  // A rescan's pictures join the round, and those gone leave it.
  if (shuffle_)
    shuffle_->setPictures(sequence_.paths());
  else
    startShuffle();
}

void SlideOrder::rescan() {
  if (sequence_.folders().empty() || !d_.folders) return;
  sequence_.scanStarted();
  d_.folders->scan(sequence_.folders());
}

std::int32_t SlideOrder::advance() {
  if (shuffle_) {
    current_ = static_cast<std::int32_t>(shuffle_->next().value_or(0));
    if (sequence_.changed(false, true)) rescan();
    return current_;
  }
  d_.random.reseed();
  const std::int32_t last = sequence_.last();
  if (randomOrder_)
    current_ = static_cast<std::int32_t>(std::floor((last + 1) * d_.random.next()));
  else
    current_ = current_ + 1;
  const bool wrapped = current_ > last;
  if (wrapped) current_ = 0;
  if (sequence_.changed(wrapped, randomOrder_)) rescan();
  return current_;
}

bool SlideOrder::isPortrait(std::int32_t p) {
  portrait_.resize(sequence_.size(), -1);
  signed char& known = portrait_[static_cast<std::size_t>(p)];
  if (known < 0) {
    const std::optional<PictureSize> size = d_.uprightSize(sequence_.path(p));
    known = size && size->height > size->width ? 1 : 0;
  }
  return known == 1;
}

const std::vector<std::int32_t>& SlideOrder::drawUpcoming(const std::vector<bool>& portraitMonitors) {
  spread_ = portraitMonitors.size();
  if (shuffle_) shuffle_->setSpread(spread_);  // monitors come and go
  upcoming_.clear();
  const bool mixed = d_.uprightSize && std::adjacent_find(portraitMonitors.begin(), portraitMonitors.end(),
                                                          std::not_equal_to<>()) != portraitMonitors.end();
  if (mixed)
    upcoming_ = takeByShape(
        portraitMonitors, passedOver_, [this] { return advance(); }, [this](std::int32_t p) { return isPortrait(p); });
  while (upcoming_.size() < portraitMonitors.size()) upcoming_.push_back(advance());
  return upcoming_;
}

void SlideOrder::drawForAddedMonitors(std::size_t monitors) {
  while (upcoming_.size() < monitors) upcoming_.push_back(advance());
}

std::int32_t SlideOrder::replaceUpcoming(std::size_t m) {
  const std::int32_t next = advance();
  if (m < upcoming_.size()) upcoming_[m] = next;
  return next;
}

void SlideOrder::saveShown() {
  // Written once the pictures are on the screen, so that a run ended at any
  // moment after has them counted, and one ended before has not.
  if (!shuffle_) return;
  const ShuffleFiles state = shuffleFiles(d_.exeFolder);
  if (shuffle_->roundChanged()) d_.stateFiles.replaceAtomically(state.round, shuffle_->serialiseRound());
  d_.stateFiles.replaceAtomically(state.shown, shuffle_->serialisePosition());
}

}  // namespace lumova::saver
