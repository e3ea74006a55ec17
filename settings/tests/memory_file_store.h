// A FileStore in memory for the portable tests.
#pragma once

#include <map>
#include <string>

#include "settings/file_store.h"

namespace lumova::settings::testing {

class MemoryFileStore : public FileStore {
 public:
  std::map<std::string, std::string> files;
  SaveError failWith = SaveError::None;  // the next saves fail with this
  int reads = 0;

  std::optional<std::string> readAll(const std::string& path) override {
    ++reads;
    auto found = files.find(path);
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  SaveError replaceAtomically(const std::string& path, const std::string& bytes) override {
    if (failWith != SaveError::None) return failWith;
    files[path] = bytes;
    return SaveError::None;
  }
};

}  // namespace lumova::settings::testing
