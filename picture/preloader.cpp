#include "picture/preloader.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <system_error>
#include <utility>

namespace lumova {

PreloadingLoader::PreloadingLoader(PictureLoader& decoder, FileStamps& stamps) : decoder_(decoder), stamps_(stamps) {
  try {
    worker_ = std::thread(&PreloadingLoader::run, this);
  } catch (const std::system_error&) {
    // No worker: every load decodes on the caller's thread, as without preloading.
  }
}

PreloadingLoader::~PreloadingLoader() {
  std::vector<Entry> dropped;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    dropped.swap(entries_);
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

PreloadingLoader::Entry* PreloadingLoader::findUntaken(const PictureRequest& request) {
  for (Entry& e : entries_)
    if (e.request == request && !e.taken) return &e;
  return nullptr;
}

PreloadingLoader::Entry* PreloadingLoader::findId(std::uint64_t id) {
  for (Entry& e : entries_)
    if (e.id == id) return &e;
  return nullptr;
}

void PreloadingLoader::prefetch(const std::vector<PictureRequest>& requests) {
  if (!worker_.joinable()) return;
  std::vector<Entry> dropped;  // let go outside the lock
  {
    std::lock_guard lock(mutex_);
    std::vector<Entry> wanted;
    // A request given twice (two monitors showing one picture) is decoded
    // twice: each monitor selects its bitmap into a DC of its own, and a
    // bitmap is selected into one DC at a time.
    for (const PictureRequest& r : requests) {
      // One already handed over is decoded afresh: its picture is the
      // caller's now, and the file may change before it is shown again.
      auto kept =
          std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.request == r && !e.taken; });
      if (kept != entries_.end()) {
        wanted.push_back(std::move(*kept));
        entries_.erase(kept);
      } else {
        wanted.push_back(Entry{r, Slot::Queued, ++nextId_, {}, {}, false});
      }
    }
    // What is left is no longer wanted (a decode of one still running is
    // dropped when it ends).
    dropped.swap(entries_);
    entries_ = std::move(wanted);
  }
  changed_.notify_all();
}

PictureLoad PreloadingLoader::load(const PictureRequest& request) {
  std::unique_lock lock(mutex_);
  // Each load takes an entry of its own: the picture handed over is never
  // handed over again.
  Entry* e = findUntaken(request);
  if (e && e->slot == Slot::Decoding) {
    const std::uint64_t id = e->id;
    changed_.wait(lock, [&] {
      Entry* now = findId(id);
      return !now || now->slot != Slot::Decoding;
    });
    e = findId(id);
    if (e && e->taken) e = nullptr;
  }
  if (e && e->slot == Slot::Ready) {
    e->taken = true;
    PictureLoad ready = e->result;
    const std::optional<FileStamp> stamp = e->stamp;
    const std::uint64_t id = e->id;
    lock.unlock();
    if (stamps_.stamp(request.path) == stamp) return ready;
    // Replaced on disk since: let go of the old picture before decoding the new one.
    ready = {};
    std::vector<Entry> stale;
    lock.lock();
    for (Entry& x : entries_)
      if (x.id == id) stale.push_back(std::move(x));
    std::erase_if(entries_, [&](const Entry& x) { return x.id == id; });
    lock.unlock();
    stale.clear();
    return decodeHere(request);
  }
  const auto same = [&](const Entry& x) { return x.request == request; };
  if (e || std::any_of(entries_.begin(), entries_.end(), same)) {
    // The guess was right but the worker has not come to it yet, or every
    // prefetched copy is taken: this one is decoded here, the others stay.
    if (e) {
      const std::uint64_t id = e->id;
      std::erase_if(entries_, [&](const Entry& x) { return x.id == id; });
    }
    lock.unlock();
    return decodeHere(request);
  }
  // Not prefetched, or the guess was wrong: the pictures nobody has taken
  // go, so no extra picture is held.
  std::vector<Entry> dropped;
  const auto from = std::stable_partition(entries_.begin(), entries_.end(), [](const Entry& x) { return x.taken; });
  dropped.assign(std::make_move_iterator(from), std::make_move_iterator(entries_.end()));
  entries_.erase(from, entries_.end());
  lock.unlock();
  dropped.clear();
  return decodeHere(request);
}

PictureLoad PreloadingLoader::decodeHere(const PictureRequest& request) {
  // Also the worker's whole body: nothing may leave a thread's entry.
  try {
    return decoder_.load(request);
  } catch (const std::bad_alloc&) {
    return PictureLoad{nullptr, PictureError::TooLarge};
  } catch (...) {
    return PictureLoad{nullptr, PictureError::Unreadable};
  }
}

void PreloadingLoader::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    Entry* next = nullptr;
    changed_.wait(lock, [&] {
      next = nullptr;
      for (Entry& e : entries_)
        if (!next && e.slot == Slot::Queued) next = &e;
      return stopping_ || next;
    });
    if (stopping_) return;
    const std::uint64_t id = next->id;
    const PictureRequest request = next->request;
    next->slot = Slot::Decoding;
    lock.unlock();
    // The stamp comes first: a file that changes during the decode then
    // shows a different stamp at load() and is decoded again.
    std::optional<FileStamp> stamp;
    try {
      stamp = stamps_.stamp(request.path);
    } catch (...) {
      // No stamp: load() then decodes the file again, on the saver's thread.
    }
    PictureLoad result = decodeHere(request);
    lock.lock();
    if (Entry* e = findId(id)) {
      e->stamp = stamp;
      e->result = std::exchange(result, {});
      e->slot = Slot::Ready;
      changed_.notify_all();
    } else {
      lock.unlock();
      result = {};  // no longer wanted; released before the next decode starts
      lock.lock();
    }
  }
}

}  // namespace lumova
