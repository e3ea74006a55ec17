// A FileStore whose saves go to a worker of its own, so that the flush to the
// disk (milliseconds, more on a busy disk) never holds up a picture change.
// Saves run in the order asked; a save of a path still waiting is replaced by
// the newer bytes in its place. A save that fails stays waiting, and is made
// again at the next save asked for or a little later, until newer bytes for
// its path take its place. Reads and checks go straight through.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "settings/file_store.h"

namespace lumova::saver {

class BackgroundFileStore final : public settings::FileStore {
 public:
  explicit BackgroundFileStore(settings::FileStore& files);
  // Tries once more what is still waiting, then stops the worker.
  ~BackgroundFileStore() override;
  BackgroundFileStore(const BackgroundFileStore&) = delete;
  BackgroundFileStore& operator=(const BackgroundFileStore&) = delete;

  std::optional<std::string> read(const std::string& path, settings::ReadError& error) override;
  settings::SaveError checkWritable(const std::string& path) override;
  // Queued; answers None at once (its own outcome is not known yet).
  settings::SaveError replaceAtomically(const std::string& path, const std::string& bytes) override;

  // Before the process ends: waits, at most `limit`, until every save
  // waiting has been tried (the failed ones once more). True when none is
  // left waiting.
  bool flush(std::chrono::milliseconds limit);

 private:
  struct Save {
    std::string path, bytes;
    std::uint64_t since = 0;  // the retry round it was asked for, became due or was tried in
    bool failed = false;      // waits for the next retry round
  };
  void run();
  void retryFailed();
  std::vector<Save>::iterator firstDue();

  settings::FileStore& files_;
  std::mutex mutex_;
  std::condition_variable changed_;  // to the worker: more to do
  std::condition_variable saved_;    // from the worker: one save tried
  std::vector<Save> waiting_;
  bool saving_ = false;
  // A save asked for, a flush, the stop or the retry time opens a round:
  // every failed save is due again in it, and a save that fails is tried
  // once more at once if a round has opened since it was asked for or
  // became due.
  std::uint64_t retryRound_ = 0;
  bool stopping_ = false;
  std::chrono::steady_clock::time_point retryAt_;
  std::thread worker_;
};

}  // namespace lumova::saver
