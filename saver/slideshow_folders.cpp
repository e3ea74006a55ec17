// The show's side of the folder scan: what the scan brings is queued while
// a change or another delivery is under way, then applied in order.
#include "saver/slideshow.h"

#include <string>
#include <vector>

#include "common/timers.h"

namespace lumova::saver {

void Slideshow::foldersFound(std::vector<std::string> pictures) {
  folderNews_.push_back({std::move(pictures), false});
  deliverFolderNews();
}

void Slideshow::foldersScanned() {
  folderNews_.push_back({{}, true});
  deliverFolderNews();
}

void Slideshow::deliverFolderNews() {
  // The pause lets the source's messages through: what comes inside a
  // change, or inside another delivery, would move positions under it or
  // overtake what is being handled.
  if (busy_ > 0) return;
  ++busy_;
  while (!folderNews_.empty()) {
    FolderNews news = std::move(folderNews_.front());
    folderNews_.pop_front();
    if (news.scanEnd)
      applyScanEnd();
    else
      applyFound(std::move(news.pictures));
  }
  --busy_;
}

void Slideshow::applyFound(std::vector<std::string>&& pictures) {
  // Pictures hidden for good never join the show.
  if (!hidden_.empty()) std::erase_if(pictures, [&](const std::string& path) { return hidden_.contains(path); });
  order_.foldersFound(std::move(pictures));
  if (state_.phase() != ShowPhase::WaitingForPictures || order_.sequence().last() < 0) return;
  // From the timer: the change's pause must not run inside a delivery.
  state_.enter(ShowPhase::Starting);
  arm(TimerId::Startup, kSoonMs);
}

void Slideshow::applyScanEnd() {
  std::vector<std::int32_t*> shown;
  for (Slide& slide : slides_) shown.push_back(&slide.image);
  order_.foldersScanned(shown);
  if (state_.phase() != ShowPhase::WaitingForPictures) return;
  if (order_.sequence().last() >= 0) {
    state_.enter(ShowPhase::Starting);
    arm(TimerId::Startup, kSoonMs);
    return;
  }
  // A drive may come back, a share come online.
  showNothingFound();
  arm(TimerId::Startup, kNothingRetryMs);
}

}  // namespace lumova::saver
