// Pictures the user hid from the show for good: their full paths, one a
// line (UTF-8), in zbfaone.hidden beside the settings. The file is only
// ever added to, and emptied only by the dialog's "Show Hidden Again": a
// line that reads as no path (damaged, binary, too long) is passed over
// but kept, so a save never holds less than the file did. The pictures
// themselves are never touched.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace lumova::settings {
class FileStore;
}

namespace lumova::saver {

// zbfaone.hidden, beside zbfaone.ini in `exeFolder`, or beside the
// settings file at `settingsPath`.
std::string hiddenListPath(std::string_view exeFolder);
std::string hiddenListBeside(std::string_view settingsPath);

// A path as Windows compares them: either slash, letters without their case.
std::u16string hiddenKey(std::string_view path);

class HiddenPictures {
 public:
  HiddenPictures() = default;
  // From the file's bytes: each line that is a path counts, however the
  // lines end; a line with control characters or bytes that are not UTF-8,
  // or longer than any Windows path, is passed over.
  explicit HiddenPictures(std::string bytes);
  // The file at `path`; a missing file is an empty list. One that exists but
  // cannot be read is an empty list that is never saved (it would lose
  // what the file holds).
  static HiddenPictures read(settings::FileStore& files, const std::string& path);

  bool contains(std::string_view path) const;
  // The paths, each counted once.
  std::size_t size() const { return keys_.size(); }
  bool empty() const { return keys_.empty(); }

  // Adds `path` as the file's next line; false when it is there already or
  // is no path.
  bool add(std::string_view path);
  // What the file holds now: everything it held, then the paths added.
  const std::string& bytes() const { return bytes_; }
  bool savable() const { return savable_; }

 private:
  void take(std::string_view line);

  std::string bytes_;
  std::unordered_set<std::u16string> keys_;
  bool savable_ = true;
};

}  // namespace lumova::saver
