// The Windows file store: UTF-8 paths become UTF-16, the new contents go to
// a temporary file beside the target (its name and ".tmp"), are flushed to
// the disk and moved over the old file with MoveFileExW.
#pragma once

#include <cstdint>
#include <string>

#include "settings/file_store.h"

namespace lumova::settings {

class Win32FileStore : public FileStore {
 public:
  std::optional<std::string> read(const std::string& path, ReadError& error) override;
  SaveError checkWritable(const std::string& path) override;
  SaveError replaceAtomically(const std::string& path, const std::string& bytes) override;

 protected:
  // One WriteFile to the temporary file (a HANDLE); false on failure. Tests
  // override it to make a save fail midway.
  virtual bool writeSome(void* file, const char* data, std::uint32_t size, std::uint32_t* written);
};

}  // namespace lumova::settings
