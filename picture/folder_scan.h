// Finding the pictures of a folder and its subfolders for "Add Folder...":
// the folders are read through a seam, so the rules (which files, in which
// order, what is skipped) run without a file system.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumova {

struct FolderEntry {
  std::string name;  // UTF-8, no path
  bool folder = false;
  // A symbolic link, junction or mount point: never followed, so that a
  // link back up the tree cannot make the scan endless.
  bool reparsePoint = false;
};

class FolderTree {
 public:
  virtual ~FolderTree() = default;
  // The entries of `folder` (a full path, UTF-8, without a trailing "\"
  // unless it is a drive's root), "." and ".." left out; nothing when the
  // folder cannot be read.
  virtual std::optional<std::vector<FolderEntry>> list(const std::string& folder) = 0;
};

// "a\b" from folder "a" and name "b"; a folder ending in "\" (a drive's
// root) gets no second one.
std::string joinPath(std::string_view folder, std::string_view name);

// The extensions of the "*.ext" patterns of a "|"-separated filter list, in
// lower case with their dot, each once, in the order they first appear.
std::vector<std::string> filterExtensions(std::string_view pipeSeparated);

// A path as Windows compares names: letters without their case (ASCII,
// Latin-1, Greek and Cyrillic), and "\" below every other character so that
// a folder's own files sort by name with its subfolders, component by
// component.
std::u16string pathKey(std::string_view path);
bool pathLess(std::string_view a, std::string_view b);

struct FolderScan {
  std::vector<std::string> pictures;  // full paths, sorted by pathKey
  std::size_t unreadableFolders = 0;  // skipped
};

// Every file under `root` whose extension is one of `extensions` (matched
// without case). Reparse points are not entered; a folder that cannot be
// read is skipped and the scan goes on.
FolderScan scanPictures(FolderTree& tree, const std::string& root, const std::vector<std::string>& extensions);

}  // namespace lumova
