#include "saver/preloader.h"

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
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    ++generation_;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void PreloadingLoader::prefetch(const PictureRequest& request) {
  if (!worker_.joinable()) return;
  PictureLoad dropped;
  {
    std::lock_guard lock(mutex_);
    if (slot_ != Slot::Empty && request_ == request) return;
    dropped = std::exchange(result_, {});
    request_ = request;
    stamp_.reset();
    slot_ = Slot::Queued;
    ++generation_;
  }
  changed_.notify_all();
}  // `dropped` goes outside the lock

PictureLoad PreloadingLoader::load(const PictureRequest& request) {
  std::unique_lock lock(mutex_);
  const bool mine = slot_ != Slot::Empty && request_ == request;
  if (mine && slot_ == Slot::Decoding) {
    const std::uint64_t generation = generation_;
    changed_.wait(lock, [&] { return slot_ != Slot::Decoding || generation_ != generation; });
  }
  if (mine && slot_ == Slot::Ready && request_ == request) {
    PictureLoad ready = std::exchange(result_, {});
    const std::optional<FileStamp> stamp = stamp_;
    slot_ = Slot::Empty;
    lock.unlock();
    if (stamps_.stamp(request.path) == stamp) return ready;
    ready = {};  // replaced on disk since: let go of the old picture before decoding the new one
    return decodeHere(request);
  }
  // Not prefetched, or the guess was wrong: drop it, so no third picture is held.
  PictureLoad dropped = std::exchange(result_, {});
  slot_ = Slot::Empty;
  ++generation_;
  lock.unlock();
  dropped = {};
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
    changed_.wait(lock, [&] { return stopping_ || slot_ == Slot::Queued; });
    if (stopping_) return;
    const std::uint64_t generation = generation_;
    const PictureRequest request = request_;
    slot_ = Slot::Decoding;
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
    if (generation == generation_) {
      stamp_ = stamp;
      result_ = std::exchange(result, {});
      slot_ = Slot::Ready;
      changed_.notify_all();
    } else {
      lock.unlock();
      result = {};  // no longer wanted; released before the next decode starts
      lock.lock();
    }
  }
}

}  // namespace lumova
