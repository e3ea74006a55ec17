// The saver's pictures in the order they are shown: the listed pictures
// first, in list order, then each folder's pictures, folders in their list
// order and path order within. The folders' part grows while the first scan
// runs; a rescan collects aside and replaces it when it ends, so positions
// never move under a change in progress.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumova::saver {

// Scans the folders off the window's thread; what it finds comes back, on
// the window's thread, through Slideshow::foldersFound and Slideshow::foldersScanned.
class FolderSource {
 public:
  virtual ~FolderSource() = default;
  // Cancels a scan in progress and starts again.
  virtual void scan(const std::vector<std::string>& folders) = 0;
};

class PictureSequence {
 public:
  PictureSequence() = default;
  PictureSequence(std::vector<std::string> listedPaths, std::vector<std::string> listedCaptions,
                  std::vector<std::string> folders);

  // The listed pictures as loaded: entries 0..N, the last one empty.
  const std::vector<std::string>& listedPaths() const { return listedPaths_; }
  const std::vector<std::string>& listedCaptions() const { return listedCaptions_; }
  std::int16_t lastListed() const { return static_cast<std::int16_t>(listedPaths_.size() - 2); }
  const std::vector<std::string>& folders() const { return folders_; }

  // Positions count from 0 over both parts; folder pictures reach beyond
  // what a 16-bit position holds.
  std::int32_t last() const { return static_cast<std::int32_t>(size()) - 1; }
  std::size_t size() const { return listedPaths_.size() - 1 + found_.size(); }
  bool isListed(std::int32_t i) const { return i >= 0 && i <= lastListed(); }
  // Empty beyond the end (a rescan may have shortened the sequence).
  const std::string& path(std::int32_t i) const;
  const std::string& caption(std::int32_t i) const;
  // Every path in order, the listed pictures' and then the folders'.
  std::vector<std::string> paths() const;

  // The scans. A scan started while one runs replaces it.
  void scanStarted();
  bool scanning() const { return scanning_; }
  bool scannedOnce() const { return scannedOnce_; }
  void found(std::vector<std::string>&& pictures);
  void scanFinished();

  // The next picture was drawn (`wrapped`: past the last one, back to the
  // first). True when the folders are due for a rescan: after a full round
  // in list order, after as many changes as there are pictures in random
  // order.
  bool changed(bool wrapped, bool randomOrder);

 private:
  std::vector<std::string> listedPaths_{std::string()};
  std::vector<std::string> listedCaptions_{std::string()};
  std::vector<std::string> folders_;
  std::vector<std::string> found_;  // the folders' pictures shown now
  std::vector<std::string> next_;   // a rescan's, until it ends
  bool scanning_ = false;
  bool rescan_ = false;  // the scan running collects into next_
  bool scannedOnce_ = false;
  std::size_t changes_ = 0;  // since the last rescan started
};

}  // namespace lumova::saver
