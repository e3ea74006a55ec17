// The folders of the file system, as the folder scans read them.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "picture/folder_scan.h"

namespace lumova {

class SystemFolderTree final : public FolderTree {
 public:
  std::optional<std::vector<FolderEntry>> list(const std::string& folder) override;
  FolderListing read(const std::string& folder) override;
  // Cancels the synchronous I/O of the threads listing now.
  void interrupt() override;

 private:
  std::mutex mutex_;
  std::vector<HANDLE> listing_;  // the threads in read(), each once per call
};

// A path the system calls take beyond MAX_PATH: from that length on, with
// the long-path prefix ("\\?\C:\..." or "\\?\UNC\server\..."); shorter
// paths and prefixed ones unchanged.
std::string longPathForm(const std::string& path);

}  // namespace lumova
