#include "picture/preloader_win32.h"

#include <windows.h>

#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "picture/wic_loader_win32.h"

namespace lumova::win32 {

std::optional<FileStamp> Win32FileStamps::stamp(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // No access asked for: a file another program holds open still answers.
  UniqueFile file(CreateFileW(toWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  FileStamp stamp;
  stamp.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  stamp.lastWrite = (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime;
  stamp.volume = info.dwVolumeSerialNumber;
  stamp.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return stamp;
}

}  // namespace lumova::win32
