#include "picture/upright_size_win32.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "picture/upright_size.h"

namespace lumova::win32 {

std::optional<PictureSize> readUprightSize(const std::string& path) {
  UniqueFile file(CreateFileW(toWide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> head;
  for (std::size_t want = kUprightHeadBytes;; want = kUprightLongestHead) {
    const std::size_t had = head.size();
    head.resize(want);
    DWORD got = 0;
    if (!ReadFile(file.get(), head.data() + had, static_cast<DWORD>(want - had), &got, nullptr)) return std::nullopt;
    head.resize(had + got);
    // A shorter read is the whole file: nothing more to look at.
    if (head.size() < want || want == kUprightLongestHead || !uprightSizeNeedsMore(head)) break;
  }
  return uprightSizeOf(head);
}

}  // namespace lumova::win32
