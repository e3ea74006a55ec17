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

HBITMAP createTopDownDib(int width, int height, void** bits) {
  *bits = nullptr;
  if (width <= 0 || height <= 0) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace lumova::win32
