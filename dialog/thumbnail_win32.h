// Drawing a decoded picture into the thumbnail box.
#pragma once

#include <windows.h>

#include <memory>

#include "common/picture.h"

namespace lumova::win32 {
class DibPicture;
}

namespace lumova::dialog {

// Draws the thumbnail, keeping the last resized copy so that repainting the
// box does not resize the picture again.
class ThumbnailPainter {
 public:
  // Draws `picture` with its top-left corner at (0, 0) of `dc`, resized to
  // `width` x `height` pixels by area averaging; transparent parts show what
  // `dc` held. False when it cannot be drawn (not a decoded picture).
  bool paint(HDC dc, const PicturePtr& picture, int width, int height);
  // Lets go of the picture and its copy.
  void reset() { *this = ThumbnailPainter(); }

 private:
  PicturePtr source_;
  int width_ = 0;
  int height_ = 0;
  std::shared_ptr<win32::DibPicture> scaled_;
};

}  // namespace lumova::dialog
