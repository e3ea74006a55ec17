#pragma once

#include <windows.h>

#include <cstdint>

namespace lumova::startup {

// Draws the built-in still picture once into the top-left 160 x 120 pixels
// of the host window `host` and returns; the caller then ends the run.
void showPreview(HINSTANCE instance, std::uint32_t host);

}  // namespace lumova::startup
