#include "saver/preloader_win32.h"

#include <windows.h>

#include "common/text_win32.h"
#include "common/wic_loader_win32.h"

namespace lumova::win32 {

std::optional<FileStamp> Win32FileStamps::stamp(const std::string& path) {
  const std::wstring wide = toWide(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  FileStamp stamp;
  stamp.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  stamp.lastWrite = (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
  return stamp;
}

}  // namespace lumova::win32
