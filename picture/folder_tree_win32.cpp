#include "picture/folder_tree_win32.h"

#include <windows.h>

#include <algorithm>

#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "common/utf.h"

namespace lumova {
namespace {

struct FindTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
  static bool close(HANDLE h) { return FindClose(h) != FALSE; }
};

using UniqueFind = win32::Unique<HANDLE, FindTraits>;

}  // namespace

std::string longPathForm(const std::string& path) {
  if (utf16Length(path) < MAX_PATH - 12 || path.rfind("\\\\?\\", 0) == 0) return path;
  if (path.rfind("\\\\", 0) == 0) return "\\\\?\\UNC\\" + path.substr(2);
  return "\\\\?\\" + path;
}

std::optional<std::vector<FolderEntry>> SystemFolderTree::list(const std::string& folder) {
  return read(folder).entries;
}

void SystemFolderTree::interrupt() {
  std::lock_guard lock(mutex_);
  for (HANDLE thread : listing_) CancelSynchronousIo(thread);
}

FolderListing SystemFolderTree::read(const std::string& folder) {
  // Known while it lists, so that interrupt() can cancel its calls to a
  // server that does not answer.
  HANDLE self = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, THREAD_TERMINATE, FALSE, 0);
  const win32::UniqueHandle thread(self);
  if (thread) {
    std::lock_guard lock(mutex_);
    listing_.push_back(self);
  }
  struct Leave {
    SystemFolderTree& tree;
    HANDLE thread;
    ~Leave() {
      if (!thread) return;
      std::lock_guard lock(tree.mutex_);
      std::erase(tree.listing_, thread);
    }
  } leave{*this, thread.get()};

  const std::wstring pattern = win32::toWide(longPathForm(joinPath(folder, "*")));
  WIN32_FIND_DATAW data{};
  // The short 8.3 names are not wanted, and a large fetch makes a folder of
  // thousands a few calls.
  UniqueFind find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH));
  if (!find) {
    // An empty folder has no entry at all, not even "." (a drive's root).
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return {std::vector<FolderEntry>{}};
    return {};
  }
  std::vector<FolderEntry> entries;
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry e;
    e.name = win32::fromWide(name);
    e.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // The tag is only given in dwReserved0 for a reparse point; one without
    // a tag is taken for a link.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
      e.reparseTag = data.dwReserved0 != 0 ? data.dwReserved0 : kReparseMountPoint;
    e.hidden = (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    entries.push_back(std::move(e));
  } while (FindNextFileW(find.get(), &data));
  // Anything but the end (a share gone midway) leaves the listing partial.
  const bool cutShort = GetLastError() != ERROR_NO_MORE_FILES;
  return {std::move(entries), cutShort};
}

}  // namespace lumova
