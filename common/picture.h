// Decoded pictures, as the saver and the dialog's thumbnail see them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace lumova {

// A decoded picture. On Windows it is a 32-bit top-down bitmap that can be
// drawn directly; the logic only needs its size.
class Picture {
 public:
  virtual ~Picture() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;
};
using PicturePtr = std::shared_ptr<const Picture>;

enum class PictureError {
  None,
  NotFound,     // no such file, or the path is empty
  Unreadable,   // the file exists but cannot be opened or read
  NotAPicture,  // no decoder recognised it, or it is truncated or corrupt
  TooLarge,     // larger than the loader holds safely
};

struct PictureLoad {
  PicturePtr picture;  // null on failure
  PictureError error = PictureError::None;
  explicit operator bool() const { return picture != nullptr; }
};

// The largest picture a loader holds: 16,384 pixels a side and 64 megapixels
// in all (256 MiB at 32 bits a pixel). Two such pictures, the one shown and
// the next, still fit in a 32-bit process beside the screen's own surfaces.
inline constexpr std::int64_t kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = 64LL * 1024 * 1024;

constexpr bool pictureSizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height <= kMaxPicturePixels;
}

class PictureLoader {
 public:
  virtual ~PictureLoader() = default;
  // `path` is UTF-8, as the program keeps all its text.
  virtual PictureLoad load(const std::string& path) = 0;
};

}  // namespace lumova
