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
  // Reads of these paths fail so (a file locked or a folder in the way).
  std::map<std::string, settings::ReadError> unreadable;
  // What checkWritable answers.
  settings::SaveError writable = settings::SaveError::None;

  std::optional<std::string> read(const std::string& path, settings::ReadError& error) override {
    log.push_back("read " + path);
    ++reads;
    if (auto failing = unreadable.find(path); failing != unreadable.end()) {
      error = failing->second;
      return std::nullopt;
    }
    auto it = files.find(path);
    error = it == files.end() ? settings::ReadError::Missing : settings::ReadError::None;
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  settings::SaveError checkWritable(const std::string&) override { return writable; }

  settings::SaveError replaceAtomically(const std::string& path, const std::string& bytes) override {
    log.push_back("save " + path);
    if (failNextSave != settings::SaveError::None) return std::exchange(failNextSave, settings::SaveError::None);
    files[path] = bytes;
    ++saves;
    return settings::SaveError::None;
  }
};

}  // namespace lumova::fakes
