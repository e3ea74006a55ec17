#include "common/gdi_win32.h"

namespace lumova::win32 {

bool OffscreenSurface::create(HDC reference, int width, int height) {
  UniqueMemoryDc dc(CreateCompatibleDC(reference));
  UniqueBitmap bitmap(CreateCompatibleBitmap(reference, width, height));
  if (!dc || !bitmap) return false;
  if (dc_) SelectObject(dc_.get(), original_);
  original_ = SelectObject(dc.get(), bitmap.get());
  dc_ = std::move(dc);
  bitmap_ = std::move(bitmap);
  width_ = width;
  height_ = height;
  return true;
}

void OffscreenSurface::fill(COLORREF colour) {
  if (!dc_) return;
  UniqueBrush brush(CreateSolidBrush(colour));
  RECT r{0, 0, width_, height_};
  FillRect(dc_.get(), &r, brush.get());
}

OffscreenSurface::~OffscreenSurface() {
  // The bitmap must leave the DC before either is deleted.
  if (dc_) SelectObject(dc_.get(), original_);
}

}  // namespace lumova::win32
