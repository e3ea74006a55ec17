// Whole-file access for the settings store: read once, replace atomically.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace lumova::settings {

// Folder: a folder has the file's name, so no file can take its place.
enum class SaveError { None, CannotCreateTemp, WriteFailed, FlushFailed, ReplaceFailed, Folder };

// Why a file gave no bytes: there is none, another program holds it, a
// folder has its name, or reading it failed.
enum class ReadError { None, Missing, InUse, Folder, Unreadable };

class FileStore {
 public:
  virtual ~FileStore() = default;
  // The file's bytes, or nothing and the reason in `error`. Paths are UTF-8.
  virtual std::optional<std::string> read(const std::string& path, ReadError& error) = 0;
  std::optional<std::string> readAll(const std::string& path) {
    ReadError error = ReadError::None;
    return read(path, error);
  }
  // Whether a save of `path` could go ahead now: the folder takes a new
  // file and the file, where there is one, is not read-only. Nothing is
  // left behind by asking.
  virtual SaveError checkWritable(const std::string& path) = 0;
  // Writes `bytes` to a temporary file in the same folder, flushes it to the
  // disk, then puts it in place of `path`. On any failure the old file (or its
  // absence) is left exactly as it was and the temporary file is removed.
  virtual SaveError replaceAtomically(const std::string& path, const std::string& bytes) = 0;
};

// The platform's file store (POSIX natively, Win32 on Windows).
std::unique_ptr<FileStore> makeSystemFileStore();

}  // namespace lumova::settings
