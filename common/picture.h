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
  // When asked for and the picture leaves some of the monitor uncovered: a
  // small blurred, dimmed copy covering the monitor, drawn scaled up around it.
  PicturePtr surround = {};
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

struct PictureSize {
  int width = 0;
  int height = 0;
  bool operator==(const PictureSize&) const = default;
};

// The size a width x height picture shows at when it must fit whole within
// box: unchanged when it fits (it is never enlarged) or when the box is
// empty; otherwise the largest size of its proportions within the box, the
// other side rounded to the nearest pixel, never below 1.
constexpr PictureSize fitWithin(PictureSize picture, PictureSize box) {
  if (box.width <= 0 || box.height <= 0 || picture.width <= 0 || picture.height <= 0) return picture;
  if (picture.width <= box.width && picture.height <= box.height) return picture;
  const std::int64_t w = picture.width, h = picture.height;
  // Width-limited when w / h >= box.width / box.height.
  if (w * box.height >= h * box.width) {
    const std::int64_t height = (h * box.width * 2 + w) / (w * 2);
    return {box.width, static_cast<int>(height < 1 ? 1 : height > box.height ? box.height : height)};
  }
  const std::int64_t width = (w * box.height * 2 + h) / (h * 2);
  return {static_cast<int>(width < 1 ? 1 : width > box.width ? box.width : width), box.height};
}

// The size a picture that is to cover box, and be enlarged up to 1.15 times
// that while it shows, is held at: unchanged when it is no larger than that
// (it is never enlarged), otherwise shrunk to 1.15 times its covering size.
inline constexpr double kCoverHoldFactor = 1.15;
constexpr PictureSize coverWithin(PictureSize picture, PictureSize box) {
  if (box.width <= 0 || box.height <= 0 || picture.width <= 0 || picture.height <= 0) return picture;
  const double across = double(box.width) / picture.width, down = double(box.height) / picture.height;
  const double scale = kCoverHoldFactor * (across > down ? across : down);
  if (scale >= 1) return picture;
  const auto side = [scale](int n) {
    const auto v = static_cast<int>(n * scale + 0.5);
    return v < 1 ? 1 : v;
  };
  return {side(picture.width), side(picture.height)};
}

// A picture to load: by its path (UTF-8, as the program keeps all its
// text), at its natural size, shrunk to fit a box of pixels, or (cover)
// shrunk no further than covering the box allows; with a surround for a
// monitor of `surround` pixels when that is not 0 by 0.
struct PictureRequest {
  std::string path;
  PictureSize fit;  // 0 by 0: the natural size
  bool cover = false;
  PictureSize surround = {};
  bool operator==(const PictureRequest&) const = default;
};

constexpr PictureSize requestedSize(PictureSize upright, const PictureRequest& request) {
  return request.cover ? coverWithin(upright, request.fit) : fitWithin(upright, request.fit);
}

class PictureLoader {
 public:
  virtual ~PictureLoader() = default;
  // The picture upright (as its orientation mark says) and, when asked,
  // fitted: averaged down to fitWithin(upright size, request.fit).
  virtual PictureLoad load(const PictureRequest& request) = 0;
  PictureLoad load(const std::string& path) { return load(PictureRequest{path, {}}); }
};

}  // namespace lumova
