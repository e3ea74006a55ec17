// A decoded-picture bitmap (the loader's 32-bit top-down DIB section)
// selected into a memory DC, for tests that draw into it and read back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "common/gdi_win32.h"
#include "picture/wic_loader_win32.h"

namespace lumova::testing {

class DibSurface {
 public:
  DibSurface(int width, int height)
      : picture_(win32::DibPicture::create(width, height)), dc_(CreateCompatibleDC(nullptr)) {
    if (picture_ && dc_) old_ = SelectObject(dc_.get(), picture_->bitmap());
  }
  ~DibSurface() {
    if (old_) SelectObject(dc_.get(), old_);
  }
  DibSurface(const DibSurface&) = delete;
  DibSurface& operator=(const DibSurface&) = delete;

  bool ok() const { return picture_ && dc_ && old_; }
  HDC dc() const { return dc_.get(); }
  int width() const { return picture_->width(); }
  int height() const { return picture_->height(); }
  // 0xAARRGGBB as stored; call GdiFlush() (or rgb()) after drawing.
  std::uint32_t& at(int x, int y) {
    return reinterpret_cast<std::uint32_t*>(picture_->mutableBits())[static_cast<std::size_t>(y) * width() + x];
  }
  std::uint32_t rgb(int x, int y) {
    GdiFlush();
    return at(x, y) & 0xFFFFFF;
  }
  void fill(std::uint32_t value) {
    GdiFlush();
    for (int y = 0; y < height(); ++y)
      for (int x = 0; x < width(); ++x) at(x, y) = value;
  }

 private:
  std::shared_ptr<win32::DibPicture> picture_;
  win32::UniqueMemoryDc dc_;
  HGDIOBJ old_ = nullptr;
};

}  // namespace lumova::testing
