// Drawing a decoded picture into the thumbnail box.
#pragma once

#include <windows.h>

#include "common/picture.h"

namespace lumova::dialog {

// Draws `picture` with its top-left corner at (0, 0) of `dc`, stretched to
// `width` x `height` pixels. False when it cannot be drawn.
bool paintThumbnail(HDC dc, const Picture& picture, int width, int height);

}  // namespace lumova::dialog
