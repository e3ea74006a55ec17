#include "saver/picture_sequence.h"

#include <utility>

namespace lumova::saver {
namespace {
const std::string kNone;
}

PictureSequence::PictureSequence(std::vector<std::string> listedPaths, std::vector<std::string> listedCaptions,
                                 std::vector<std::string> folders)
    : listedPaths_(std::move(listedPaths)), listedCaptions_(std::move(listedCaptions)), folders_(std::move(folders)) {
  // One spare, empty entry beyond the last picture.
  listedCaptions_.resize(listedPaths_.size() + 1);
  listedPaths_.emplace_back();
}

const std::string& PictureSequence::path(std::int32_t i) const {
  if (i < 0) return kNone;
  const auto at = static_cast<std::size_t>(i);
  if (at + 1 < listedPaths_.size()) return listedPaths_[at];
  const std::size_t inFolders = at - (listedPaths_.size() - 1);
  return inFolders < found_.size() ? found_[inFolders] : kNone;
}

const std::string& PictureSequence::caption(std::int32_t i) const {
  return isListed(i) ? listedCaptions_[static_cast<std::size_t>(i)] : kNone;
}

void PictureSequence::scanStarted() {
  scanning_ = true;
  // The first scan shows what it finds at once; later ones replace it whole.
  rescan_ = scannedOnce_;
  if (rescan_) {
    next_.clear();
    next_.reserve(found_.size());  // most often the same pictures again
  } else {
    found_.clear();
  }
  changes_ = 0;
}

void PictureSequence::found(std::vector<std::string>&& pictures) {
  if (!scanning_) return;
  std::vector<std::string>& into = rescan_ ? next_ : found_;
  if (into.empty() && into.capacity() < pictures.size()) {
    into = std::move(pictures);
    return;
  }
  into.insert(into.end(), std::make_move_iterator(pictures.begin()), std::make_move_iterator(pictures.end()));
}

void PictureSequence::scanFinished() {
  if (!scanning_) return;
  scanning_ = false;
  scannedOnce_ = true;
  if (!rescan_) return;
  found_.swap(next_);
  next_ = std::vector<std::string>();  // the old list's memory goes now
}

bool PictureSequence::changed(bool wrapped, bool randomOrder) {
  ++changes_;
  if (folders_.empty() || scanning_) return false;
  return randomOrder ? changes_ >= size() : wrapped;
}

std::vector<std::string> PictureSequence::paths() const {
  std::vector<std::string> all(listedPaths_.begin(), listedPaths_.end() - 1);
  all.insert(all.end(), found_.begin(), found_.end());
  return all;
}

}  // namespace lumova::saver
