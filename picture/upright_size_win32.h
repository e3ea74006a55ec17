// A picture file's upright size from its head (see upright_size.h).
#pragma once

#include <optional>
#include <string>

#include "common/picture.h"

namespace lumova::win32 {

// None when the file cannot be read or its shape is unknown.
std::optional<PictureSize> readUprightSize(const std::string& path);

}  // namespace lumova::win32
