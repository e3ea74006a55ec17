#include "saver/background_file_store.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace lumova::saver {
namespace {

// A file held by another program a moment (a virus scanner, a backup) is
// free again soon; one that stays unwritable costs a failed open this often.
constexpr std::chrono::seconds kRetryAfter{2};

}  // namespace

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
    retryFailed();
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
    retryFailed();
    const auto same = std::find_if(waiting_.begin(), waiting_.end(), [&](const Save& s) { return s.path == path; });
    if (same != waiting_.end())
      *same = {path, bytes, retryRound_};
    else
      waiting_.push_back({path, bytes, retryRound_});
  }
  changed_.notify_all();
  return settings::SaveError::None;
}

bool BackgroundFileStore::flush(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  if (!worker_.joinable()) return true;
  retryFailed();
  changed_.notify_all();
  saved_.wait_for(lock, limit, [&] { return !saving_ && firstDue() == waiting_.end(); });
  return !saving_ && waiting_.empty();
}

void BackgroundFileStore::retryFailed() {
  ++retryRound_;
  for (Save& s : waiting_)
    if (std::exchange(s.failed, false)) s.since = retryRound_;
}

std::vector<BackgroundFileStore::Save>::iterator BackgroundFileStore::firstDue() {
  return std::find_if(waiting_.begin(), waiting_.end(), [](const Save& s) { return !s.failed; });
}

void BackgroundFileStore::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    const auto due = [&] { return stopping_ || firstDue() != waiting_.end(); };
    if (waiting_.empty())
      changed_.wait(lock, due);
    else if (!changed_.wait_until(lock, retryAt_, due))
      retryFailed();
    auto next = firstDue();
    if (next == waiting_.end()) {
      if (stopping_) return;  // nothing left, or each tried once more
      continue;
    }
    const auto at = next - waiting_.begin();
    Save save = std::move(*next);
    waiting_.erase(next);
    const std::uint64_t since = std::exchange(save.since, retryRound_);
    saving_ = true;
    lock.unlock();
    // A failed save leaves the old file whole.
    settings::SaveError error = settings::SaveError::ReplaceFailed;
    try {
      error = files_.replaceAtomically(save.path, save.bytes);
    } catch (...) {
    }
    lock.lock();
    saving_ = false;
    // Back in its place, unless newer bytes for the path came meanwhile.
    const bool newer =
        std::any_of(waiting_.begin(), waiting_.end(), [&](const Save& s) { return s.path == save.path; });
    if (error != settings::SaveError::None && !newer) {
      save.failed = retryRound_ == since;
      waiting_.insert(waiting_.begin() + std::min(at, waiting_.end() - waiting_.begin()), std::move(save));
      retryAt_ = std::chrono::steady_clock::now() + kRetryAfter;
    }
    saved_.notify_all();
  }
}

}  // namespace lumova::saver
