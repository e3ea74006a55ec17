#include "dialog/form2_thumbnail_win32.h"

#include "common/wic_loader_win32.h"

namespace lumova::dialog {
namespace {

class MemoryDc {
 public:
  explicit MemoryDc(HDC reference) : dc_(CreateCompatibleDC(reference)) {}
  ~MemoryDc() {
    if (old_) SelectObject(dc_, old_);
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  bool select(HGDIOBJ object) {
    old_ = dc_ ? SelectObject(dc_, object) : nullptr;
    return old_ != nullptr;
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

}  // namespace

bool paintThumbnail(HDC dc, const Picture& picture, int width, int height) {
  const auto* dib = dynamic_cast<const win32::DibPicture*>(&picture);
  if (!dib || !dib->bitmap() || width <= 0 || height <= 0) return false;
  MemoryDc source(dc);
  if (!source.select(dib->bitmap())) return false;
  // The pixels are premultiplied: transparent parts show the box behind.
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return AlphaBlend(dc, 0, 0, width, height, source.get(), 0, 0, dib->width(), dib->height(), blend) != FALSE;
}

}  // namespace lumova::dialog
