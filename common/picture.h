// Decoded pictures, as the saver and the dialog's thumbnail see them.
#pragma once

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

class PictureLoader {
 public:
  virtual ~PictureLoader() = default;
  // `path` is in the system's ANSI code page, as the settings file holds it.
  virtual PictureLoad load(const std::string& path) = 0;
};

}  // namespace lumova
