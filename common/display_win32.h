// What the system says about its monitors.
#pragma once

#include <windows.h>

#include "common/screen_layout.h"

namespace lumova::win32 {

// The monitors as the system reports them now.
ScreenLayout currentScreenLayout();

// Dots per inch of `monitor` (the primary monitor for none). Before
// Windows 8.1 there is only the system's DPI.
UINT monitorDpi(HMONITOR monitor = nullptr);

}  // namespace lumova::win32
