#include "saver/auto_caption.h"

#include "common/host.h"
#include "common/textnum.h"
#include "picture/exif_orientation.h"
#include "saver/picture_sequence.h"

namespace lumova::saver {

AutoCaption autoCaptionMode(std::string_view text) {
  const auto n = parseNumber(text);
  if (n == 1.0) return AutoCaption::FileName;
  if (n == 2.0) return AutoCaption::DateTaken;
  return AutoCaption::Nothing;
}

std::string fileNameCaption(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

std::string autoCaption(AutoCaption mode, const std::string& path, Host& host) {
  switch (mode) {
    case AutoCaption::Nothing:
      return {};
    case AutoCaption::FileName:
      return fileNameCaption(path);
    case AutoCaption::DateTaken:
      break;
  }
  std::optional<CalendarDate> day;
  if (const auto head = host.readFileStart(path, kDateReadBytes)) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head->data());
    if (const auto taken = exifDateTaken(bytes, head->size()))
      day = CalendarDate{taken->year, taken->month, taken->day};
  }
  if (!day) day = host.fileModifiedDate(path);
  return day ? host.longDate(*day) : std::string();
}

const std::string& CaptionBook::captionOf(const PictureSequence& sequence, std::int32_t index) {
  const std::string& own = sequence.caption(index);
  if (!own.empty() || mode_ == AutoCaption::Nothing || !host_) return own;
  const std::string& path = sequence.path(index);
  auto it = byPath_.find(path);
  if (it == byPath_.end()) it = byPath_.emplace(path, autoCaption(mode_, path, *host_)).first;
  return it->second;
}

}  // namespace lumova::saver
