// Walking folders on a few long-lived worker threads, for the dialog's count
// and the saver's scan: the window's thread starts a job and takes what has
// been found whenever a worker wakes it; starting another job or ending
// cancels the one in progress within an entry or a folder listing.
//
// A job's folders are walked one after the other, in their order. A folder
// whose listing does not answer (a server gone away) is passed: once it has
// hung for a while the next folder is begun on another worker, up to
// kFolderWorkers at once, and the hung one's findings come when it answers.
// A listing cannot always be interrupted, so the worker's threads share
// what they use, and ending leaves a hung one behind to end on its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
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
  bool complete = true;               // with folderDone: no listing of the walk was cut short
  std::vector<std::size_t> counted;   // with folderDone: the files of each counted extension
  bool jobDone = false;               // with folderDone: the job's last folder to end
};

inline constexpr std::size_t kFolderWorkers = 3;
// How long a listing hangs before the next folder is begun beside it.
inline constexpr std::chrono::milliseconds kFolderPassAfter{1000};
// How long ending waits for the workers before it leaves a hung one behind.
inline constexpr std::chrono::milliseconds kFolderEndWait{300};

class FolderWorker {
 public:
  enum class Keep { Paths, FirstOnly };
  // `wake` runs on a worker when findings wait where none did: it posts to
  // the window, which then calls take(). `tree` is kept for as long as a
  // worker may still be in one of its listings. Files of the `counted`
  // extensions are counted, folder by folder, and not kept.
  FolderWorker(std::shared_ptr<FolderTree> tree, std::vector<std::string> extensions, Keep keep,
               std::function<void()> wake, std::chrono::milliseconds passAfter = kFolderPassAfter,
               std::vector<std::string> counted = {});
  // Cancels the job in progress and waits for the workers to end, at most
  // kFolderEndWait; after that `wake` is no longer called.
  ~FolderWorker();
  FolderWorker(const FolderWorker&) = delete;
  FolderWorker& operator=(const FolderWorker&) = delete;

  // Cancels the job in progress and walks `folders`; the new job's number.
  std::uint64_t start(std::vector<std::string> folders);
  void cancel();
  // The current job's findings so far, oldest first; those of cancelled
  // jobs are dropped.
  std::vector<FolderFinding> take();

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
  std::vector<std::thread> workers_;
};

}  // namespace lumova
