// The installed WIC decoders' file extensions.
#pragma once

#include <string>
#include <vector>

namespace lumova::win32 {

// Each decoder's GetFileExtensions text, UTF-8, as the decoder gives it;
// nothing when WIC cannot be reached. COM must be initialised on the thread.
std::vector<std::string> decoderExtensionLists();

}  // namespace lumova::win32
