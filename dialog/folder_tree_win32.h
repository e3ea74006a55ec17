// The folders of the file system, as "Add Folder..." reads them.
#pragma once

#include "dialog/folder_scan.h"

namespace lumova::dialog {

class SystemFolderTree final : public FolderTree {
 public:
  std::optional<std::vector<FolderEntry>> list(const std::string& folder) override;
};

}  // namespace lumova::dialog
