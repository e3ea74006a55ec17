// Finding the pictures of a folder and its subfolders: the folders are read
// through a seam, so the rules (which files, in which order, what is
// skipped) run without a file system. The dialog's count and the saver's
// scan both go through walkPictures.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumova {

// The reparse tags the scan tells apart (values of the Windows SDK).
inline constexpr std::uint32_t kReparseMountPoint = 0xA0000003;  // a junction or a mounted volume
inline constexpr std::uint32_t kReparseSymlink = 0xA000000C;
inline constexpr std::uint32_t kReparseCloud = 0x9000001A;  // and 0x9000101A..0x9000F01A
bool isCloudPlaceholder(std::uint32_t reparseTag);

struct FolderEntry {
  std::string name;  // UTF-8, no path
  bool folder = false;
  // Set when the entry is a reparse point: a symbolic link, a junction or a
  // mount point is never followed, so that a link back up the tree cannot
  // make the scan endless; a cloud placeholder (a synced folder) is entered.
  std::uint32_t reparseTag = 0;
  bool hidden = false;  // hidden or system: left out
};

struct FolderListing {
  std::optional<std::vector<FolderEntry>> entries;  // nothing: the folder cannot be read
  // The listing ended before its end (a share that went away midway): the
  // entries are those read until then.
  bool cutShort = false;
};

class FolderTree {
 public:
  virtual ~FolderTree() = default;
  // The entries of `folder` (a full path, UTF-8, without a trailing "\"
  // unless it is a drive's root), "." and ".." left out; nothing when the
  // folder cannot be read. Called from worker threads, several at once.
  virtual std::optional<std::vector<FolderEntry>> list(const std::string& folder) = 0;
  // The same, saying whether the listing was cut short; a tree that cannot
  // tell has every listing whole.
  virtual FolderListing read(const std::string& folder) { return {list(folder), false}; }
  // Listings in progress end soon where the system can end them (a server
  // that does not answer): their results are no longer wanted.
  virtual void interrupt() {}
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

struct WalkStats {
  std::size_t pictures = 0;
  std::size_t unreadableFolders = 0;  // skipped, the top folder included
  bool rootReadable = false;
  bool cancelled = false;
  bool complete = true;  // no listing was cut short
  // Files of each of the `counted` extensions, walked past (item for item).
  std::vector<std::size_t> counted;
};

// Every file under `root` whose extension is one of `extensions` (lower
// case, with their dot; matched without case), handed to `found` one by
// one in path order as the walk reaches it: a folder is read, its entries
// sorted, and each subfolder walked where it sorts. Hidden and system
// entries, links and junctions are left out; a folder that cannot be read is
// skipped and the walk goes on, as it does past a listing cut short (whose
// entries are walked, and the walk said incomplete). Files of the `counted`
// extensions (not of `extensions`) are counted by the same rules and not
// handed on. It stops soon after `cancel` is set.
WalkStats walkPictures(FolderTree& tree, const std::string& root, const std::vector<std::string>& extensions,
                       const std::function<void(std::string&& path)>& found, const std::atomic<bool>* cancel = nullptr,
                       const std::vector<std::string>& counted = {});

struct FolderScan {
  std::vector<std::string> pictures;  // full paths, in path order
  std::size_t unreadableFolders = 0;  // skipped
  bool complete = true;               // as WalkStats::complete
};

// walkPictures, collected.
FolderScan scanPictures(FolderTree& tree, const std::string& root, const std::vector<std::string>& extensions);

}  // namespace lumova
