// The picture types the computer opens: the file extensions of the
// installed decoders, as the folder scans and the "All pictures" filter of
// the file-open dialog take them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumova {

// Adds the extensions of one decoder's list (".jpg;.jpeg;.jfif" or
// ".bmp,.dib,.rle": either separator) to `into`: in lower case, with their
// dot, each once, in the order first seen. Empty entries and entries that
// are not a plain extension ("*", ".a?c", "a\b") are left out.
void addFileExtensions(std::string_view list, std::vector<std::string>& into);

// The "|"-separated filter pair that shows every file of `extensions`:
// "All pictures|*.gif;*.png".
std::string allPicturesFilter(const std::vector<std::string>& extensions);

// The extensions of the types the file-open dialog has always offered
// (GIF, JPEG, JIF, bitmaps and DIBs), which the decoders open by content.
inline constexpr const char* kClassicExtensions = ".gif;.jpg;.bmp;.jif;.dib";

// The extensions the folder scans take: the classic ones, then the
// decoders' lists.
std::vector<std::string> pictureExtensions(const std::vector<std::string>& decoderLists);

}  // namespace lumova
