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

FolderScan scanPictures(FolderTree& tree, const std::string& root, const std::vector<std::string>& extensions) {
  FolderScan scan;
  const std::unordered_set<std::string> wanted(extensions.begin(), extensions.end());
  std::vector<std::pair<std::u16string, std::string>> found;  // key, path
  // An explicit stack rather than recursion: a deep tree cannot exhaust the
  // thread's stack.
  std::vector<std::string> pending{root};
  while (!pending.empty()) {
    const std::string folder = std::move(pending.back());
    pending.pop_back();
    auto entries = tree.list(folder);
    if (!entries) {
      ++scan.unreadableFolders;
      continue;
    }
    for (const FolderEntry& e : *entries) {
      std::string path = joinPath(folder, e.name);
      if (e.folder) {
        if (!e.reparsePoint && utf16Length(path) <= kLongestPath) pending.push_back(std::move(path));
      } else if (wanted.count(extensionOf(e.name)) != 0) {
        found.emplace_back(pathKey(path), std::move(path));
      }
    }
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  scan.pictures.reserve(found.size());
  for (auto& f : found) scan.pictures.push_back(std::move(f.second));
  return scan;
}

}  // namespace lumova
