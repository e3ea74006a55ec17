#include "saver/picture_details.h"

#include <cstdio>
#include <vector>

#include "common/host.h"
#include "picture/exif_orientation.h"
#include "saver/auto_caption.h"

namespace lumova::saver {
namespace {

// Without its case: a model that names its maker is shown alone.
bool startsWithFolded(const std::string& text, const std::string& start) {
  if (start.empty() || text.size() < start.size()) return false;
  for (std::size_t i = 0; i < start.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(text[i]) != lower(start[i])) return false;
  }
  return true;
}

}  // namespace

std::string pictureDetails(const std::string& path, std::optional<PictureSize> pixels, Host& host) {
  std::vector<std::string> parts;
  const std::size_t slash = path.find_last_of("\\/");
  parts.push_back(slash == std::string::npos ? path : path.substr(slash + 1));
  if (slash != std::string::npos) {
    // A drive's root keeps its backslash.
    const std::string folder = path.substr(0, slash);
    parts.push_back(folder.size() == 2 && folder[1] == ':' ? path.substr(0, slash + 1) : folder);
  }
  if (const auto head = host.readFileStart(path, kDateReadBytes)) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head->data());
    if (const auto taken = exifDateTaken(bytes, head->size())) {
      std::string day = host.longDate(CalendarDate{taken->year, taken->month, taken->day});
      char time[8];
      std::snprintf(time, sizeof time, "%02d:%02d", taken->hour, taken->minute);
      parts.push_back(day.empty() ? std::string(time) : day + " " + time);
    }
    ExifCamera camera = exifCamera(bytes, head->size());
    if (startsWithFolded(camera.model, camera.make)) camera.make.clear();
    std::string named = camera.make;
    if (!named.empty() && !camera.model.empty()) named += ' ';
    named += camera.model;
    if (!named.empty()) parts.push_back(std::move(named));
  }
  if (pixels && pixels->width > 0 && pixels->height > 0)
    parts.push_back(std::to_string(pixels->width) + " \xC3\x97 " + std::to_string(pixels->height));  // a times sign
  std::string line;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!line.empty()) line += kDetailsSeparator;
    line += part;
  }
  return line;
}

}  // namespace lumova::saver
