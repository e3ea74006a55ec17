// File stamps from the file system, for PreloadingLoader.
#pragma once

#include "picture/preloader.h"

namespace lumova::win32 {

// Size, last-write time (FILETIME units) and identity of the file at a
// UTF-8 path; nothing for a folder or a path that doesn't exist.
class Win32FileStamps final : public FileStamps {
 public:
  std::optional<FileStamp> stamp(const std::string& path) override;
};

}  // namespace lumova::win32
