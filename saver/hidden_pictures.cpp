#include "saver/hidden_pictures.h"

#include <algorithm>

#include "common/utf.h"
#include "picture/folder_scan.h"
#include "settings/file_store.h"
#include "settings/settings_store.h"

namespace lumova::saver {
namespace {

// Windows takes no longer path, in UTF-16 code units.
constexpr std::size_t kLongestPath = 32767;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Text that can be a path: not empty, no control characters, UTF-8 that
// converts both ways unchanged, and short enough for Windows.
bool isPath(std::string_view line) {
  if (line.empty()) return false;
  if (std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) return false;
  const std::u16string wide = utf8ToUtf16(line);
  return wide.size() <= kLongestPath && utf16ToUtf8(wide) == line;
}

}  // namespace

std::string hiddenListPath(std::string_view exeFolder) { return hiddenListBeside(settings::settingsPath(exeFolder)); }

std::string hiddenListBeside(std::string_view settingsPath) {
  std::string path(settingsPath.substr(0, settingsPath.rfind('.')));
  return path + ".hidden";
}

std::u16string hiddenKey(std::string_view path) {
  std::string slashes(path);
  std::replace(slashes.begin(), slashes.end(), '/', '\\');
  return pathKey(slashes);
}

HiddenPictures::HiddenPictures(std::string bytes) : bytes_(std::move(bytes)) {
  std::string_view rest = bytes_;
  if (rest.substr(0, kByteOrderMark.size()) == kByteOrderMark) rest.remove_prefix(kByteOrderMark.size());
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    take(line);
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
}

HiddenPictures HiddenPictures::read(settings::FileStore& files, const std::string& path) {
  settings::ReadError error = settings::ReadError::None;
  std::optional<std::string> bytes = files.read(path, error);
  if (bytes) return HiddenPictures(std::move(*bytes));
  HiddenPictures none;
  none.savable_ = error == settings::ReadError::Missing;
  return none;
}

void HiddenPictures::take(std::string_view line) {
  if (isPath(line)) keys_.insert(hiddenKey(line));
}

bool HiddenPictures::contains(std::string_view path) const { return !keys_.empty() && keys_.count(hiddenKey(path)); }

bool HiddenPictures::add(std::string_view path) {
  if (!isPath(path) || !keys_.insert(hiddenKey(path)).second) return false;
  // A last line without its end gets one first (a bare CR its LF).
  if (!bytes_.empty() && bytes_.back() != '\n') bytes_ += bytes_.back() == '\r' ? "\n" : "\r\n";
  bytes_.append(path);
  bytes_ += "\r\n";
  return true;
}

}  // namespace lumova::saver
