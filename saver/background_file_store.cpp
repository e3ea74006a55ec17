#include "saver/background_file_store.h"

#include <algorithm>
#include <system_error>

namespace lumova::saver {

BackgroundFileStore::BackgroundFileStore(settings::FileStore& files) : files_(files) {
  try {
    worker_ = std::thread(&BackgroundFileStore::run, this);
  } catch (const std::system_error&) {
    // No worker: saves are made on the caller's thread.
  }
}

BackgroundFileStore::~BackgroundFileStore() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

std::optional<std::string> BackgroundFileStore::read(const std::string& path, settings::ReadError& error) {
  return files_.read(path, error);
}

settings::SaveError BackgroundFileStore::checkWritable(const std::string& path) { return files_.checkWritable(path); }

settings::SaveError BackgroundFileStore::replaceAtomically(const std::string& path, const std::string& bytes) {
  if (!worker_.joinable()) return files_.replaceAtomically(path, bytes);
  {
    std::lock_guard lock(mutex_);
    const auto same = std::find_if(waiting_.begin(), waiting_.end(), [&](const auto& w) { return w.first == path; });
    if (same != waiting_.end())
      same->second = bytes;
    else
      waiting_.emplace_back(path, bytes);
  }
  changed_.notify_all();
  return settings::SaveError::None;
}

void BackgroundFileStore::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
    if (waiting_.empty()) return;  // stopping, nothing left
    auto [path, bytes] = std::move(waiting_.front());
    waiting_.erase(waiting_.begin());
    lock.unlock();
    // A failed save leaves the old file whole; the next change tries again.
    try {
      files_.replaceAtomically(path, bytes);
    } catch (...) {
    }
    lock.lock();
  }
}

}  // namespace lumova::saver
