// Walking folders on one long-lived worker thread, for the dialog's count
// and the saver's scan: the window's thread starts a job and takes what has
// been found whenever the worker wakes it; starting another job or ending
// cancels the one in progress within an entry or a folder listing.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "picture/folder_scan.h"

namespace lumova {

// What one folder of a job gave since the last take.
struct FolderFinding {
  std::uint64_t job = 0;
  std::size_t folder = 0;             // its position in the job's list
  std::vector<std::string> pictures;  // in path order; only the first of the folder when counting
  std::size_t count = 0;              // pictures found since the last take
  bool folderDone = false;            // the folder's walk has ended
  bool readable = true;               // with folderDone: whether the folder itself could be read
  bool jobDone = false;               // with folderDone: the job's last folder
};

class FolderWorker {
 public:
  enum class Keep { Paths, FirstOnly };
  // `wake` runs on the worker when findings wait where none did: it posts
  // to the window, which then calls take().
  FolderWorker(FolderTree& tree, std::vector<std::string> extensions, Keep keep, std::function<void()> wake);
  // Cancels the job in progress and waits for the worker to end.
  ~FolderWorker();
  FolderWorker(const FolderWorker&) = delete;
  FolderWorker& operator=(const FolderWorker&) = delete;

  // Cancels the job in progress and walks `folders` in their order; the
  // new job's number.
  std::uint64_t start(std::vector<std::string> folders);
  void cancel();
  // The current job's findings so far, oldest first; those of cancelled
  // jobs are dropped.
  std::vector<FolderFinding> take();

 private:
  void run();
  void add(std::uint64_t job, std::size_t folder, std::string* picture, const WalkStats* done, bool last);

  FolderTree& tree_;
  const std::vector<std::string> extensions_;
  const Keep keep_;
  std::function<void()> wake_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> pendingFolders_;
  std::uint64_t job_ = 0;         // the latest job started
  std::uint64_t pendingJob_ = 0;  // waiting for the worker, 0 for none
  std::vector<FolderFinding> findings_;
  std::pair<std::uint64_t, std::size_t> firstKept_{0, 0};  // the folder whose first picture is kept
  std::atomic<bool> cancel_{false};
  bool stopping_ = false;
  std::thread worker_;  // last: starts once everything above exists
};

}  // namespace lumova
