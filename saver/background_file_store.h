// A FileStore whose saves go to a worker of its own, so that the flush to the
// disk (milliseconds, more on a busy disk) never holds up a picture change.
// Saves run in the order asked; a save of a path still waiting is replaced by
// the newer bytes in its place. Reads and checks go straight through.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "settings/file_store.h"

namespace lumova::saver {

class BackgroundFileStore final : public settings::FileStore {
 public:
  explicit BackgroundFileStore(settings::FileStore& files);
  // Saves what is still waiting, then stops the worker.
  ~BackgroundFileStore() override;
  BackgroundFileStore(const BackgroundFileStore&) = delete;
  BackgroundFileStore& operator=(const BackgroundFileStore&) = delete;

  std::optional<std::string> read(const std::string& path, settings::ReadError& error) override;
  settings::SaveError checkWritable(const std::string& path) override;
  // Queued; answers None at once (its own outcome is not known yet).
  settings::SaveError replaceAtomically(const std::string& path, const std::string& bytes) override;

 private:
  void run();

  settings::FileStore& files_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<std::string, std::string>> waiting_;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace lumova::saver
