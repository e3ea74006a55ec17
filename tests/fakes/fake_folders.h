// Folders in memory for the folder scans: files and folders by full path,
// folders that cannot be read or whose listing ends early, links that lead
// elsewhere, hidden entries.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "picture/folder_scan.h"

namespace lumova::fakes {

class FakeFolders : public FolderTree {
 public:
  // Entries of each folder, in the order the system would give them.
  std::map<std::string, std::vector<FolderEntry>> folders;
  std::set<std::string> unreadable;
  std::set<std::string> cutShort;   // listings that end early, after the entries the folder has
  std::vector<std::string> listed;  // every folder asked for

  // A file at `path` ("C:\a\b.jpg"), with every folder above it up to the
  // first one already known.
  void addFile(const std::string& path, bool hidden = false) { add(path, false, 0, hidden); }
  // A folder; with a reparse tag it is a link (nothing inside is listed
  // unless the test puts it there).
  void addFolder(const std::string& path, std::uint32_t reparseTag = 0, bool hidden = false) {
    add(path, true, reparseTag, hidden);
  }

  std::optional<std::vector<FolderEntry>> list(const std::string& folder) override {
    std::lock_guard lock(mutex_);
    listed.push_back(folder);
    if (unreadable.count(folder) != 0) return std::nullopt;
    auto it = folders.find(folder);
    if (it == folders.end()) return std::nullopt;
    return it->second;
  }
  FolderListing read(const std::string& folder) override { return {list(folder), cutShort.count(folder) != 0}; }

 private:
  void add(const std::string& path, bool folder, std::uint32_t reparseTag, bool hidden) {
    const auto slash = path.rfind('\\');
    const std::string parent = path.substr(0, slash);
    if (folders.count(parent) == 0 && parent.find('\\') != std::string::npos) add(parent, true, 0, false);
    auto& entries = folders[parent];
    const std::string name = path.substr(slash + 1);
    for (const auto& e : entries)
      if (e.name == name) return;
    entries.push_back({name, folder, reparseTag, hidden});
    if (folder && reparseTag == 0) folders[path];
  }

  std::mutex mutex_;  // the workers list from several threads
};

}  // namespace lumova::fakes
