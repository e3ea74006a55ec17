#include "saver/slide_order.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <utility>

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
  passedOver_.clear();  // drawn in list order, not from the round
  shuffle_->setSpread(spread_);
  const ShuffleFiles state = shuffleFiles(d_.exeFolder);
  const auto round = d_.files.readAll(state.round);
  if (round) shuffle_->restore(*round, d_.files.readAll(state.shown).value_or(""));
  shuffle_->setPictures(sequence_.paths());
}

void SlideOrder::foldersFound(std::vector<std::string> pictures) { sequence_.found(std::move(pictures)); }

void SlideOrder::foldersScanned(const std::vector<std::int32_t*>& shown) {
  followRescan(shown);
  if (!shuffleWanted_) return;
  // A rescan's pictures join the round, and those gone leave it.
  if (shuffle_)
    shuffle_->setPictures(sequence_.paths());
  else
    startShuffle();
}

void SlideOrder::followRescan(const std::vector<std::int32_t*>& shown) {
  // Held: those to come are drawn again when gone; those shown stay.
  const auto eachHeld = [&](const auto& each) {
    for (std::int32_t& p : upcoming_) each(p, true);
    for (std::int32_t& p : partners_) each(p, true);
    for (std::int32_t& p : passedOver_) each(p, true);
    if (addedNext_) each(*addedNext_, true);
    for (std::int32_t* p : shown) each(*p, false);
  };
  const std::string current = sequence_.isListed(current_) ? std::string() : sequence_.path(current_);
  std::vector<std::string> held;
  eachHeld([&](std::int32_t p, bool) { held.push_back(sequence_.isListed(p) ? std::string() : sequence_.path(p)); });
  sequence_.scanFinished();
  std::unordered_map<std::string_view, std::int32_t> at;
  for (std::int32_t p = sequence_.last(); p > sequence_.lastListed(); --p) at[sequence_.path(p)] = p;
  std::size_t next = 0;
  eachHeld([&](std::int32_t& p, bool dropGone) {
    const std::string& path = held[next++];
    if (path.empty()) return;  // listed, or none: the listed part never moves
    const auto it = at.find(path);
    if (it != at.end())
      p = it->second;
    else if (dropGone)
      p = -1;
  });
  std::erase(passedOver_, -1);
  if (addedNext_ == -1) addedNext_.reset();
  if (!current.empty()) {
    // In list order the next is the one after the last drawn, gone or not.
    std::int32_t after = sequence_.lastListed() + 1;
    if (const auto it = at.find(current); it != at.end())
      after = it->second + 1;
    else
      while (after <= sequence_.last() && sequence_.path(after) <= current) ++after;
    current_ = after - 1;
  }
  portrait_.clear();  // by position
}

void SlideOrder::rescan() {
  if (sequence_.folders().empty() || !d_.folders) return;
  sequence_.scanStarted();
  d_.folders->scan(sequence_.folders());
}

std::int32_t SlideOrder::drawShuffled(std::size_t i) {
  current_ = static_cast<std::int32_t>(shuffle_->drawAhead(i).value_or(0));
  if (sequence_.changed(false, true)) rescan();
  return current_;
}

std::int32_t SlideOrder::advance() {
  if (shuffle_) return drawShuffled(0);
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

const std::vector<std::int32_t>& SlideOrder::drawUpcoming(const std::vector<bool>& portraitMonitors,
                                                          const std::vector<bool>& pairingMonitors) {
  spread_ = portraitMonitors.size();
  if (shuffle_) shuffle_->setSpread(spread_);  // monitors come and go
  upcoming_.clear();
  partners_.assign(portraitMonitors.size(), -1);
  const bool mixed = d_.uprightSize && std::adjacent_find(portraitMonitors.begin(), portraitMonitors.end(),
                                                          std::not_equal_to<>()) != portraitMonitors.end();
  const bool pairing =
      d_.uprightSize && std::find(pairingMonitors.begin(), pairingMonitors.end(), true) != pairingMonitors.end();
  const auto portrait = [this](std::int32_t p) { return isPortrait(p); };
  // Looking into the round itself: a picture passed over stays in it, not
  // counted as shown, and every round shows each picture once. In the other
  // orders those drawn and passed over wait in passedOver_.
  std::function<std::vector<std::int32_t>(std::size_t)> ahead;
  std::function<std::int32_t(std::size_t)> take;
  if (shuffle_) {
    ahead = [this](std::size_t most) {
      std::vector<std::int32_t> next;
      for (const std::size_t p : shuffle_->ahead(most)) next.push_back(static_cast<std::int32_t>(p));
      return next;
    };
    take = [this](std::size_t i) { return drawShuffled(i); };
  } else {
    ahead = [this](std::size_t most) {
      while (passedOver_.size() < most) passedOver_.push_back(advance());
      return std::vector<std::int32_t>(passedOver_.begin(), passedOver_.begin() + static_cast<std::ptrdiff_t>(most));
    };
    take = [this](std::size_t i) {
      while (passedOver_.size() <= i) passedOver_.push_back(advance());
      const std::int32_t p = passedOver_[i];
      passedOver_.erase(passedOver_.begin() + static_cast<std::ptrdiff_t>(i));
      return p;
    };
  }
  if (mixed) upcoming_ = takeByShape(portraitMonitors, ahead, take, portrait);
  while (upcoming_.size() < portraitMonitors.size()) upcoming_.push_back(pairing ? take(0) : advance());
  for (std::size_t m = 0; pairing && m < upcoming_.size() && m < pairingMonitors.size(); ++m) {
    if (!pairingMonitors[m] || !portrait(upcoming_[m])) continue;
    // The same look-ahead as a monitor's shape: the first portrait one.
    const std::vector<std::int32_t> next = ahead(kShapeLookAhead);
    for (std::size_t i = 0; i < next.size(); ++i)
      if (next[i] != upcoming_[m] && portrait(next[i])) {
        partners_[m] = take(i);
        break;
      }
  }
  return upcoming_;
}

void SlideOrder::dropPartner(std::size_t m) {
  if (m >= partners_.size() || partners_[m] < 0) return;
  if (!shuffle_) passedOver_.push_front(partners_[m]);
  partners_[m] = -1;
}

void SlideOrder::fillUpcoming(std::size_t monitors) {
  upcoming_.resize(std::max(upcoming_.size(), monitors), -1);
  partners_.resize(upcoming_.size(), -1);
  for (std::size_t m = 0; m < monitors; ++m)
    if (upcoming_[m] < 0) upcoming_[m] = advance();
}

std::int32_t SlideOrder::takeForAddedMonitor() {
  if (addedNext_) return *std::exchange(addedNext_, std::nullopt);
  return advance();
}

std::int32_t SlideOrder::replaceUpcoming(std::size_t m) {
  dropPartner(m);  // the one in its place may not be portrait
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
