#include "picture/folder_scan.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "common/utf.h"

namespace lumova {
namespace {

// Windows refuses longer paths; a folder beyond it is not entered, which
// also ends a loop of links that does not show as reparse points.
constexpr std::size_t kLongestPath = 32767;

char16_t foldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);  // Latin-1
  if (c == 0x3C2) return 0x3A3;                                                     // final sigma
  if (c >= 0x3B1 && c <= 0x3C9) return static_cast<char16_t>(c - 0x20);             // Greek
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);             // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The extension of a file name with its dot, in lower case; empty if none.
std::string extensionOf(std::string_view name) {
  const auto dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : lowerAscii(name.substr(dot));
}

}  // namespace

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && out.back() != '\\') out += '\\';
  out += name;
  return out;
}

std::vector<std::string> filterExtensions(std::string_view pipeSeparated) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (int field = 0; start <= pipeSeparated.size(); ++field) {
    std::size_t end = pipeSeparated.find('|', start);
    if (end == std::string_view::npos) end = pipeSeparated.size();
    // Odd fields are the patterns: "*.gif;*.jpg".
    if (field % 2 == 1) {
      std::string_view patterns = pipeSeparated.substr(start, end - start);
      std::size_t p = 0;
      while (p <= patterns.size()) {
        std::size_t q = patterns.find(';', p);
        if (q == std::string_view::npos) q = patterns.size();
        const std::string_view pattern = patterns.substr(p, q - p);
        if (pattern.size() > 2 && pattern.substr(0, 2) == "*." &&
            pattern.find_first_of("*?", 2) == std::string_view::npos) {
          std::string ext = lowerAscii(pattern.substr(1));
          if (std::find(out.begin(), out.end(), ext) == out.end()) out.push_back(std::move(ext));
        }
        p = q + 1;
      }
    }
    start = end + 1;
  }
  return out;
}

std::u16string pathKey(std::string_view path) {
  std::u16string key = utf8ToUtf16(path);
  for (char16_t& c : key) c = c == u'\\' ? char16_t{1} : foldCase(c);
  return key;
}

bool pathLess(std::string_view a, std::string_view b) { return pathKey(a) < pathKey(b); }

bool isCloudPlaceholder(std::uint32_t reparseTag) { return (reparseTag & 0xFFFF0FFFu) == kReparseCloud; }

WalkStats walkPictures(FolderTree& tree, const std::string& root, const std::vector<std::string>& extensions,
                       const std::function<void(std::string&& path)>& found, const std::atomic<bool>* cancel,
                       const std::vector<std::string>& counted) {
  WalkStats stats;
  stats.counted.assign(counted.size(), 0);
  const std::unordered_set<std::string> wanted(extensions.begin(), extensions.end());
  const auto cancelled = [&] { return cancel && cancel->load(std::memory_order_relaxed); };
  // One frame for each folder on the way down: its pictures and subfolders
  // in path order, and how far the walk has come. A subfolder sorts as its
  // name with "\" after it, which puts its pictures exactly where the full
  // paths sort.
  struct Item {
    std::u16string key;
    std::string name;
    bool folder;
  };
  struct Frame {
    std::string folder;
    std::vector<Item> items;
    std::size_t next = 0;
  };
  // An explicit stack rather than recursion: a deep tree cannot exhaust the
  // thread's stack.
  std::vector<Frame> stack;
  const auto enter = [&](std::string folder) {
    FolderListing listing = tree.read(folder);
    if (listing.cutShort) stats.complete = false;
    auto& entries = listing.entries;
    if (!entries) {
      ++stats.unreadableFolders;
      return false;
    }
    Frame frame{std::move(folder), {}, 0};
    frame.items.reserve(entries->size());
    for (FolderEntry& e : *entries) {
      if (e.hidden) continue;
      if (e.folder) {
        if (e.reparseTag != 0 && !isCloudPlaceholder(e.reparseTag)) continue;
        frame.items.push_back({pathKey(e.name + '\\'), std::move(e.name), true});
      } else if (e.reparseTag != kReparseSymlink && e.reparseTag != kReparseMountPoint) {
        const std::string ext = extensionOf(e.name);
        if (wanted.count(ext) != 0) {
          frame.items.push_back({pathKey(e.name), std::move(e.name), false});
        } else if (!counted.empty()) {
          const auto at = std::find(counted.begin(), counted.end(), ext);
          if (at != counted.end()) ++stats.counted[static_cast<std::size_t>(at - counted.begin())];
        }
      }
    }
    std::sort(frame.items.begin(), frame.items.end(), [](const Item& a, const Item& b) { return a.key < b.key; });
    stack.push_back(std::move(frame));
    return true;
  };

  stats.rootReadable = enter(root);
  while (!stack.empty()) {
    if (cancelled()) {
      stats.cancelled = true;
      break;
    }
    Frame& top = stack.back();
    if (top.next == top.items.size()) {
      stack.pop_back();
      continue;
    }
    Item& item = top.items[top.next++];
    std::string path = joinPath(top.folder, item.name);
    if (!item.folder) {
      ++stats.pictures;
      found(std::move(path));
    } else if (utf16Length(path) <= kLongestPath) {
      enter(std::move(path));  // `top` is not used after this
    }
  }
  return stats;
}

FolderScan scanPictures(FolderTree& tree, const std::string& root, const std::vector<std::string>& extensions) {
  FolderScan scan;
  const WalkStats stats =
      walkPictures(tree, root, extensions, [&](std::string&& path) { scan.pictures.push_back(std::move(path)); });
  scan.unreadableFolders = stats.unreadableFolders;
  scan.complete = stats.complete;
  return scan;
}

}  // namespace lumova
