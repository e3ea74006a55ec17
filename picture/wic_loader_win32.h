// Pictures decoded by the platform's codecs (WIC) into 32-bit DIB sections.
//
// Formats: whatever an installed WIC decoder takes, chosen by the file's
// content, not its name (GIF shows its first frame). Bitmaps, GIF, JPEG, PNG
// and TIFF are checked for damage before their decoder sees them; the others
// rely on their decoder, within the same size bounds. A picture is decoded once into a top-down DIB section that both
// picture surfaces can select and draw; sharing the PicturePtr shares the
// bitmap. Pixels are premultiplied BGRA: a transparent pixel is 0 and a
// half-transparent one is already blended onto black, so a plain BitBlt shows
// the picture over black and AlphaBlend can put it on any other background.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "common/com_win32.h"
#include "common/picture.h"

namespace lumova::win32 {

class DibPicture final : public Picture {
 public:
  // A picture of the given size, every pixel 0 (transparent black); null
  // when the size is out of bounds or the bitmap cannot be made.
  static std::shared_ptr<DibPicture> create(int width, int height);
  ~DibPicture() override;
  DibPicture(const DibPicture&) = delete;
  DibPicture& operator=(const DibPicture&) = delete;

  int width() const override { return width_; }
  int height() const override { return height_; }
  // The DIB section. A bitmap is selected into one DC at a time.
  HBITMAP bitmap() const { return bitmap_; }
  // Rows top-down, 4 bytes a pixel (B, G, R, A), no padding.
  int stride() const { return width_ * 4; }
  const std::uint8_t* bits() const { return bits_; }
  std::uint8_t* mutableBits() { return bits_; }
  // 0xAARRGGBB of one pixel, premultiplied.
  std::uint32_t pixel(int x, int y) const;
  // No pixel is even partly transparent (the loader finds out once).
  bool opaque() const { return opaque_; }
  void setOpaque(bool opaque) { opaque_ = opaque; }
  // A copy laid over an opaque colour (RGB, red in the low byte), as the
  // picture shows on a surface of that colour; null when it cannot be made.
  std::shared_ptr<DibPicture> overColour(std::uint32_t rgb) const;

 private:
  DibPicture(HBITMAP bitmap, std::uint8_t* bits, int width, int height)
      : bitmap_(bitmap), bits_(bits), width_(width), height_(height) {}
  HBITMAP bitmap_;
  std::uint8_t* bits_;
  int width_;
  int height_;
  bool opaque_ = false;
};

// Decodes on the calling thread and may be called from several threads at
// once: every call initialises COM for itself and makes its own WIC objects.
// Files are read whole into memory first, so a decode never holds the file
// open (nor sees it change halfway); files over kMaxPictureFileBytes are
// refused as too large.
class WicPictureLoader final : public PictureLoader {
 public:
  using PictureLoader::load;
  PictureLoad load(const PictureRequest& request) override;
};

inline constexpr std::uint64_t kMaxPictureFileBytes = 512ull * 1024 * 1024;

}  // namespace lumova::win32
