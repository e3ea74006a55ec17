// Captions for pictures that have none of their own: the file's name, or the
// date the photo was taken (its Exif date, else the day the file was last
// written) in the user's long date format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace lumova {
class Host;
}

namespace lumova::saver {

// autoCaption "1" and "2"; any other value gives no caption.
enum class AutoCaption { Nothing, FileName, DateTaken };

// How much of a file is read for its date: a JPEG's Exif block sits in its
// first segments, each at most 64 KB.
inline constexpr std::size_t kDateReadBytes = 128 * 1024;

AutoCaption autoCaptionMode(std::string_view text);

// The last part of a path (after "\" or "/") without its extension; a name
// that is all extension (".jpg") stays whole.
std::string fileNameCaption(std::string_view path);

// The caption `mode` gives the picture at `path`; empty when there is none,
// such as a date that cannot be read.
std::string autoCaption(AutoCaption mode, const std::string& path, Host& host);

}  // namespace lumova::saver

namespace lumova::saver {

class PictureSequence;

// Each picture's caption: its own, else the automatic one, worked out once
// a path (a rescan may move a folder's pictures along the sequence).
class CaptionBook {
 public:
  CaptionBook() = default;
  CaptionBook(AutoCaption mode, Host& host) : mode_(mode), host_(&host) {}
  const std::string& captionOf(const PictureSequence& sequence, std::int32_t index);

 private:
  AutoCaption mode_ = AutoCaption::Nothing;
  Host* host_ = nullptr;
  std::map<std::string, std::string> byPath_;
};

}  // namespace lumova::saver
