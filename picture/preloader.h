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
#include <vector>

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

// Wraps a loader that may be called from two threads at once. Holds the
// pictures of the latest prefetch (one for each monitor showing pictures)
// and nothing else; the caller holds the shown ones. A picture is handed
// over once: a monitor keeps its bitmap selected into a DC of its own, and a
// bitmap is selected into one DC at a time.
class PreloadingLoader final : public PictureLoader {
 public:
  PreloadingLoader(PictureLoader& decoder, FileStamps& stamps);
  // Waits for a decode in progress to end (a decode cannot be interrupted);
  // prefetches still waiting are dropped.
  ~PreloadingLoader() override;
  PreloadingLoader(const PreloadingLoader&) = delete;
  PreloadingLoader& operator=(const PreloadingLoader&) = delete;

  using PictureLoader::load;

  // Starts decoding the requests on the worker, in their order, dropping
  // every other prefetched picture. A request already prefetched and not yet
  // loaded is kept as it is, not decoded again; one given twice is decoded
  // twice, for two loads.
  void prefetch(const std::vector<PictureRequest>& requests);
  void prefetch(const PictureRequest& request) { prefetch(std::vector<PictureRequest>{request}); }
  void prefetch(const std::string& path) { prefetch(PictureRequest{path, {}}); }

  // A prefetched result for this request not yet loaded, when the file is
  // unchanged (waiting for its decode if still running). Otherwise decodes
  // here; when nothing was prefetched for it (a wrong guess) the prefetched
  // pictures nobody has taken are dropped first, so no extra picture is held.
  PictureLoad load(const PictureRequest& request) override;

 private:
  enum class Slot { Queued, Decoding, Ready };
  struct Entry {
    PictureRequest request;
    Slot slot = Slot::Queued;
    std::uint64_t id = 0;
    std::optional<FileStamp> stamp;  // taken before the decode began
    PictureLoad result;
    bool taken = false;
  };
  void run();
  PictureLoad decodeHere(const PictureRequest& request);
  Entry* findUntaken(const PictureRequest& request);
  Entry* findId(std::uint64_t id);

  PictureLoader& decoder_;
  FileStamps& stamps_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Entry> entries_;  // in the order wanted
  std::uint64_t nextId_ = 0;
  bool stopping_ = false;
  std::thread worker_;  // last: starts once everything above exists
};

}  // namespace lumova
