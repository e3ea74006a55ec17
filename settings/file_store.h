// Whole-file access for the settings store: read once, replace atomically.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace lumova::settings {

enum class SaveError { None, CannotCreateTemp, WriteFailed, FlushFailed, ReplaceFailed };

class FileStore {
 public:
  virtual ~FileStore() = default;
  // The file's bytes, or nothing when it does not exist or cannot be read.
  // Paths are UTF-8.
  virtual std::optional<std::string> readAll(const std::string& path) = 0;
  // Writes `bytes` to a temporary file in the same folder, flushes it to the
  // disk, then puts it in place of `path`. On any failure the old file (or its
  // absence) is left exactly as it was and the temporary file is removed.
  virtual SaveError replaceAtomically(const std::string& path, const std::string& bytes) = 0;
};

// The platform's file store (POSIX natively, Win32 on Windows).
std::unique_ptr<FileStore> makeSystemFileStore();

}  // namespace lumova::settings
