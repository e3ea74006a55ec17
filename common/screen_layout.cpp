#include "common/screen_layout.h"

namespace lumova {

ScreenLayout ScreenLayout::from(ScreenRect virtualScreen, ScreenRect primary) {
  bool usable = virtualScreen.width() > 0 && virtualScreen.height() > 0 && virtualScreen.left <= primary.left &&
                virtualScreen.top <= primary.top && virtualScreen.right >= primary.right &&
                virtualScreen.bottom >= primary.bottom;
  return {usable ? virtualScreen : primary, primary};
}

}  // namespace lumova
