#include "picture/folder_worker.h"

#include <utility>

namespace lumova {

FolderWorker::FolderWorker(FolderTree& tree, std::vector<std::string> extensions, Keep keep, std::function<void()> wake)
    : tree_(tree), extensions_(std::move(extensions)), keep_(keep), wake_(std::move(wake)), worker_([this] {
        run();
      }) {}

FolderWorker::~FolderWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    cancel_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

std::uint64_t FolderWorker::start(std::vector<std::string> folders) {
  std::uint64_t job = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    job = pendingJob_ = ++job_;
    pendingFolders_ = std::move(folders);
    findings_.clear();
    cancel_ = true;
  }
  changed_.notify_all();
  return job;
}

void FolderWorker::cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++job_;  // findings still on their way belong to no job now
  pendingJob_ = 0;
  cancel_ = true;
  findings_.clear();
}

std::vector<FolderFinding> FolderWorker::take() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<FolderFinding> out;
  out.reserve(findings_.size());
  for (FolderFinding& f : findings_)
    if (f.job == job_) out.push_back(std::move(f));
  findings_.clear();
  return out;
}

void FolderWorker::add(std::uint64_t job, std::size_t folder, std::string* picture, const WalkStats* done, bool last) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (job != job_) return;
    wake = findings_.empty();
    if (findings_.empty() || findings_.back().folder != folder || findings_.back().job != job) findings_.emplace_back();
    FolderFinding& f = findings_.back();
    f.job = job;
    f.folder = folder;
    if (picture) {
      ++f.count;
      const bool first = firstKept_.first != job || firstKept_.second != folder;
      if (keep_ == Keep::Paths || first) f.pictures.push_back(std::move(*picture));
      firstKept_ = {job, folder};
    }
    if (done) {
      f.folderDone = true;
      f.readable = done->rootReadable;
      f.jobDone = last;
    }
  }
  if (wake && wake_) wake_();
}

void FolderWorker::run() {
  for (;;) {
    std::vector<std::string> folders;
    std::uint64_t job = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || pendingJob_ != 0; });
      if (stopping_) return;
      job = pendingJob_;
      pendingJob_ = 0;
      folders = std::move(pendingFolders_);
      cancel_ = false;
    }
    if (folders.empty()) {
      const WalkStats none;
      add(job, 0, nullptr, &none, true);
      continue;
    }
    for (std::size_t i = 0; i < folders.size(); ++i) {
      const WalkStats stats = walkPictures(
          tree_, folders[i], extensions_, [&](std::string&& path) { add(job, i, &path, nullptr, false); }, &cancel_);
      if (stats.cancelled) break;
      add(job, i, nullptr, &stats, i + 1 == folders.size());
    }
  }
}

}  // namespace lumova
