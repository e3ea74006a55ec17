// The details line the I key shows under a picture: its file name, folder,
// the date it was taken, the camera and its size in pixels, each part left
// out where it is not known.
#pragma once

#include <optional>
#include <string>

#include "common/picture.h"

namespace lumova {
class Host;
}

namespace lumova::saver {

inline constexpr const char* kDetailsSeparator = "  \xC2\xB7  ";  // a middle dot between blanks

// The picture at `path`, `pixels` across and down upright when known; its
// date and camera come from the first bytes of the file.
std::string pictureDetails(const std::string& path, std::optional<PictureSize> pixels, Host& host);

}  // namespace lumova::saver
