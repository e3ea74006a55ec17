// An in-memory FileStore: files by path, a log of accesses, and a failure
// for the next save.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "settings/file_store.h"

namespace lumova::fakes {

class MemoryFileStore : public settings::FileStore {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> log;  // "read <path>", "save <path>"
  int reads = 0;
  int saves = 0;  // successful ones
  // The next save fails with this and leaves the file as it was.
  settings::SaveError failNextSave = settings::SaveError::None;

  std::optional<std::string> readAll(const std::string& path) override {
    log.push_back("read " + path);
    ++reads;
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }

  settings::SaveError replaceAtomically(const std::string& path, const std::string& bytes) override {
    log.push_back("save " + path);
    if (failNextSave != settings::SaveError::None) return std::exchange(failNextSave, settings::SaveError::None);
    files[path] = bytes;
    ++saves;
    return settings::SaveError::None;
  }
};

}  // namespace lumova::fakes
