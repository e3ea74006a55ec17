// The native file store: a temporary file beside the target (its name and
// ".tmp"), flushed with fsync, then renamed over it.
#pragma once

#include <cstddef>
#include <sys/types.h>

#include "settings/file_store.h"

namespace lumova::settings {

class PosixFileStore : public FileStore {
 public:
  std::optional<std::string> read(const std::string& path, ReadError& error) override;
  SaveError checkWritable(const std::string& path) override;
  SaveError replaceAtomically(const std::string& path, const std::string& bytes) override;

 protected:
  // One write to the temporary file, as write(2). Tests override it to make
  // a save fail midway.
  virtual ssize_t writeSome(int fd, const char* data, std::size_t size);
};

}  // namespace lumova::settings
