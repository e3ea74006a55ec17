// Decoding the next picture ahead of its change.
//
// A large photo takes a noticeable time to decode, and the saver knows the
// next picture as soon as advanceImage has run. PreloadingLoader decodes it
// then, on one worker thread, and load() hands the ready picture over; what
// the viewer sees stays the same, only sooner. A failed decode is kept and
// reported by load() for that path, so the error comes at the change where it
// is due. A file replaced on disk since it was decoded is decoded again.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/picture.h"

namespace lumova {

// One version of a file. A file replaced by another shows another stamp
// (another identity on its volume), and a file rewritten in place does
// unless it keeps both its size and its last-write time.
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t lastWrite = 0;  // the platform's own units
  std::uint64_t volume = 0;     // the volume's serial number
  std::uint64_t index = 0;      // the file's identity on its volume
  bool operator==(const FileStamp&) const = default;
};

class FileStamps {
 public:
  virtual ~FileStamps() = default;
  // Nothing when there is no such file.
  virtual std::optional<FileStamp> stamp(const std::string& path) = 0;
};

// Wraps a loader that may be called from two threads at once. Holds at most
// one picture of its own (the prefetched one); the caller holds the shown one.
class PreloadingLoader final : public PictureLoader {
 public:
  PreloadingLoader(PictureLoader& decoder, FileStamps& stamps);
  // Waits for a decode in progress to end (a decode cannot be interrupted);
  // a prefetch still waiting is dropped.
  ~PreloadingLoader() override;
  PreloadingLoader(const PreloadingLoader&) = delete;
  PreloadingLoader& operator=(const PreloadingLoader&) = delete;

  using PictureLoader::load;

  // Starts decoding the request on the worker, dropping any other prefetched
  // picture. Asking again for the request already prefetched does nothing.
  void prefetch(const PictureRequest& request);
  void prefetch(const std::string& path) { prefetch(PictureRequest{path, {}}); }

  // The prefetched result when it is for this request and the file is
  // unchanged (waiting for its decode if still running); otherwise decodes
  // here.
  PictureLoad load(const PictureRequest& request) override;

 private:
  enum class Slot { Empty, Queued, Decoding, Ready };
  void run();
  PictureLoad decodeHere(const PictureRequest& request);

  PictureLoader& decoder_;
  FileStamps& stamps_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Slot slot_ = Slot::Empty;
  PictureRequest request_;
  std::optional<FileStamp> stamp_;  // taken before the decode began
  PictureLoad result_;
  std::uint64_t generation_ = 0;  // bumped whenever the slot is given up; an older generation's decode is dropped
  bool stopping_ = false;
  std::thread worker_;  // last: starts once everything above exists
};

}  // namespace lumova
