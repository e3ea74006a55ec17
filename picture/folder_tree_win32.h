// The folders of the file system, as "Add Folder..." reads them.
#pragma once

#include "picture/folder_scan.h"

namespace lumova {

class SystemFolderTree final : public FolderTree {
 public:
  std::optional<std::vector<FolderEntry>> list(const std::string& folder) override;
};

}  // namespace lumova
