// An in-memory FileStore: files by path, a log of accesses, and an optional
// failure for the next save.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "settings/file_store.h"

namespace lumova::fakes {

class MemoryFileStore : public settings::FileStore {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> log;  // "read <path>", "save <path>"
  settings::SaveError failNextSave = settings::SaveError::None;

  std::optional<std::string> readAll(const std::string& path) override {
    log.push_back("read " + path);
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }

  settings::SaveError replaceAtomically(const std::string& path, const std::string& bytes) override {
    log.push_back("save " + path);
    if (failNextSave != settings::SaveError::None) {
      auto e = failNextSave;
      failNextSave = settings::SaveError::None;
      return e;
    }
    files[path] = bytes;
    return settings::SaveError::None;
  }
};

}  // namespace lumova::fakes
