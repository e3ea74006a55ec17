#include "dialog/thumbnail_win32.h"

#include "common/gdi_win32.h"
#include "picture/wic_loader_win32.h"
#include "picture/area_scale.h"

namespace lumova::dialog {
namespace {

// One to one: every resizing has been done beforehand, since AlphaBlend
// itself only repeats or drops pixels.
bool blendAtOrigin(HDC dc, const win32::DibPicture& dib) {
  if (!dib.bitmap()) return false;
  win32::UniqueMemoryDc source(CreateCompatibleDC(dc));
  if (!source) return false;
  win32::SelectIn select(source.get(), dib.bitmap());
  // The pixels are premultiplied: transparent parts show the box behind.
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return AlphaBlend(dc, 0, 0, dib.width(), dib.height(), source.get(), 0, 0, dib.width(), dib.height(), blend) != FALSE;
}

// `picture` resized to `width` x `height` pixels by area averaging; null
// when the copy cannot be made.
std::shared_ptr<win32::DibPicture> resized(const win32::DibPicture& dib, int width, int height) {
  if (!dib.bits()) return nullptr;
  auto copy = win32::DibPicture::create(width, height);
  if (!copy) return nullptr;
  GdiFlush();  // the source's pixels as drawn so far
  if (!scaleByAreaAverage({dib.bits(), dib.width(), dib.height(), dib.stride()},
                          {copy->mutableBits(), width, height, copy->stride()}))
    return nullptr;
  return copy;
}

}  // namespace

bool ThumbnailPainter::paint(HDC dc, const PicturePtr& picture, int width, int height) {
  if (!picture) return false;
  const auto* dib = dynamic_cast<const win32::DibPicture*>(picture.get());
  if (!dib || width <= 0 || height <= 0) return false;
  if (dib->width() == width && dib->height() == height) return blendAtOrigin(dc, *dib);
  if (picture != source_ || width != width_ || height != height_) {
    scaled_ = resized(*dib, width, height);
    source_ = scaled_ ? picture : nullptr;  // a failed copy is tried again
    width_ = width;
    height_ = height;
  }
  return scaled_ && blendAtOrigin(dc, *scaled_);
}

}  // namespace lumova::dialog
