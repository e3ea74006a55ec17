#include "picture/folder_worker.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

namespace lumova {

using Clock = std::chrono::steady_clock;

// What the workers share with the window's thread, and with each other.
struct FolderWorker::Shared {
  Shared(std::shared_ptr<FolderTree> t, std::vector<std::string> e, Keep k, std::function<void()> w,
         std::chrono::milliseconds p, std::vector<std::string> c)
      : tree(std::move(t)),
        extensions(std::move(e)),
        counted(std::move(c)),
        keep(k),
        passAfter(p),
        wake(std::move(w)) {}

  // The latest job; cancelling it makes a new one without folders.
  struct Job {
    std::uint64_t id = 0;
    std::vector<std::string> folders;
    std::size_t next = 0;   // the first folder not begun
    std::size_t ended = 0;  // folders whose walk has ended
    std::vector<bool> firstKept;
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);
  };
  struct Worker {
    bool walking = false;
    std::optional<Clock::time_point> listingSince;  // in a listing since then
  };

  // The tree as one worker reads it: how long its listing has hung is seen
  // by the others.
  class Timed final : public FolderTree {
   public:
    Timed(Shared& shared, std::size_t self) : s_(shared), self_(self) {}
    std::optional<std::vector<FolderEntry>> list(const std::string& folder) override { return read(folder).entries; }
    FolderListing read(const std::string& folder) override {
      bool queued = false;  // a folder waits to be begun beside this one
      {
        std::lock_guard lock(s_.mutex);
        s_.workers[self_].listingSince = Clock::now();
        queued = s_.job.next < s_.job.folders.size();
      }
      if (queued) s_.changed.notify_all();
      FolderListing listing = s_.tree->read(folder);
      std::lock_guard lock(s_.mutex);
      s_.workers[self_].listingSince.reset();
      return listing;
    }

   private:
    Shared& s_;
    std::size_t self_;
  };

  void cancelJob() {
    job.cancelled->store(true);
    const std::uint64_t id = job.id + 1;
    job = Job();
    job.id = id;
    findings.clear();
    tree->interrupt();
  }

  // Whether a worker may begin the job's next folder: none is walking, or
  // every one that is hangs in a listing. One walking a cancelled job ends
  // within an entry: the next walk waits for it rather than share the disk.
  // Otherwise `until` says when to look again (nothing: when told).
  bool mayBegin(Clock::time_point now, std::optional<Clock::time_point>& until) const {
    if (job.next >= job.folders.size()) return false;
    bool free = true;
    for (const Worker& w : workers) {
      if (!w.walking) continue;
      if (!w.listingSince) return false;
      const Clock::time_point due = *w.listingSince + passAfter;
      if (now < due) {
        until = until ? std::min(*until, due) : due;
        free = false;
      }
    }
    return free;
  }

  // True when the window is to be woken.
  bool addLocked(std::uint64_t id, std::size_t folder, std::string* picture, const WalkStats* done) {
    if (id != job.id) return false;
    const bool first = findings.empty();
    if (findings.empty() || findings.back().folder != folder) {
      findings.emplace_back();
      findings.back().job = id;
      findings.back().folder = folder;
    }
    FolderFinding& f = findings.back();
    if (picture) {
      ++f.count;
      if (keep == Keep::Paths || !job.firstKept[folder]) f.pictures.push_back(std::move(*picture));
      job.firstKept[folder] = true;
    }
    if (done) {
      f.folderDone = true;
      f.readable = done->rootReadable;
      f.complete = done->complete;
      f.counted = done->counted;
      f.jobDone = ++job.ended == job.folders.size();
    }
    return first;
  }

  void add(std::uint64_t id, std::size_t folder, std::string* picture, const WalkStats* done) {
    bool first = false;
    {
      std::lock_guard lock(mutex);
      first = addLocked(id, folder, picture, done);
    }
    if (first) wakeWindow();
  }

  void wakeWindow() {
    std::lock_guard lock(wakeMutex);
    if (!wakeOff && wake) wake();
  }

  void run(std::size_t self) {
    std::unique_lock lock(mutex);
    for (;;) {
      std::optional<Clock::time_point> until;
      while (!stopping && !mayBegin(Clock::now(), until)) {
        if (until)
          changed.wait_until(lock, *until);
        else
          changed.wait(lock);
        until.reset();
      }
      if (stopping) break;
      const std::uint64_t id = job.id;
      const std::size_t i = job.next++;
      const std::string folder = job.folders[i];
      const std::shared_ptr<std::atomic<bool>> cancelled = job.cancelled;
      workers[self] = Worker{true, std::nullopt};
      lock.unlock();
      Timed timed(*this, self);
      const WalkStats stats = walkPictures(
          timed, folder, extensions, [&](std::string&& path) { add(id, i, &path, nullptr); }, cancelled.get(), counted);
      lock.lock();
      workers[self].walking = false;
      changed.notify_all();
      if (!stats.cancelled && addLocked(id, i, nullptr, &stats)) {
        lock.unlock();
        wakeWindow();
        lock.lock();
      }
    }
    --running;
    changed.notify_all();
  }

  const std::shared_ptr<FolderTree> tree;
  const std::vector<std::string> extensions;
  const std::vector<std::string> counted;
  const Keep keep;
  const std::chrono::milliseconds passAfter;
  std::mutex mutex;
  std::condition_variable changed;
  Job job;
  std::vector<Worker> workers = std::vector<Worker>(kFolderWorkers);
  std::vector<FolderFinding> findings;
  std::size_t running = 0;  // worker threads not yet ended
  bool stopping = false;
  // Held while `wake` runs: once ending has set wakeOff it is never called.
  std::mutex wakeMutex;
  bool wakeOff = false;
  const std::function<void()> wake;
};

FolderWorker::FolderWorker(std::shared_ptr<FolderTree> tree, std::vector<std::string> extensions, Keep keep,
                           std::function<void()> wake, std::chrono::milliseconds passAfter,
                           std::vector<std::string> counted)
    : shared_(std::make_shared<Shared>(std::move(tree), std::move(extensions), keep, std::move(wake), passAfter,
                                       std::move(counted))) {
  workers_.reserve(kFolderWorkers);
  std::lock_guard lock(shared_->mutex);
  for (std::size_t k = 0; k < kFolderWorkers; ++k) {
    try {
      workers_.emplace_back([shared = shared_, k] { shared->run(k); });
      ++shared_->running;
    } catch (const std::system_error&) {
      break;  // fewer workers: a hung folder holds up the next one longer
    }
  }
}

FolderWorker::~FolderWorker() {
  {
    std::lock_guard lock(shared_->wakeMutex);
    shared_->wakeOff = true;
  }
  std::unique_lock lock(shared_->mutex);
  shared_->stopping = true;
  shared_->cancelJob();
  shared_->changed.notify_all();
  // A worker in a listing that does not answer is left to end on its own:
  // it holds what it uses.
  const bool ended = shared_->changed.wait_for(lock, kFolderEndWait, [&] { return shared_->running == 0; });
  lock.unlock();
  for (std::thread& w : workers_) ended ? w.join() : w.detach();
}

std::uint64_t FolderWorker::start(std::vector<std::string> folders) {
  bool wake = false;
  std::uint64_t id = 0;
  {
    std::lock_guard lock(shared_->mutex);
    shared_->cancelJob();
    Shared::Job& job = shared_->job;
    id = job.id;
    job.firstKept.assign(folders.size(), false);
    job.folders = std::move(folders);
    if (job.folders.empty()) {
      // Nothing to walk: the job ends at once.
      FolderFinding none;
      none.job = id;
      none.folderDone = none.jobDone = true;
      none.readable = false;
      shared_->findings.push_back(std::move(none));
      wake = true;
    }
  }
  shared_->changed.notify_all();
  if (wake) shared_->wakeWindow();
  return id;
}

void FolderWorker::cancel() {
  std::lock_guard lock(shared_->mutex);
  shared_->cancelJob();  // findings still on their way belong to no job now
}

std::vector<FolderFinding> FolderWorker::take() {
  std::lock_guard lock(shared_->mutex);
  std::vector<FolderFinding> out;
  out.reserve(shared_->findings.size());
  for (FolderFinding& f : shared_->findings)
    if (f.job == shared_->job.id) out.push_back(std::move(f));
  shared_->findings.clear();
  return out;
}

}  // namespace lumova
