// The folders of the file system, as the folder scans read them.
#pragma once

#include <string>

#include "picture/folder_scan.h"

namespace lumova {

class SystemFolderTree final : public FolderTree {
 public:
  std::optional<std::vector<FolderEntry>> list(const std::string& folder) override;
};

// A path the system calls take beyond MAX_PATH: from that length on, with
// the long-path prefix ("\\?\C:\..." or "\\?\UNC\server\..."); shorter
// paths and prefixed ones unchanged.
std::string longPathForm(const std::string& path);

}  // namespace lumova
