// Text between the program's byte strings and the system's UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace lumova::win32 {

// `text`, in code page `codePage` (CP_UTF8 or CP_ACP), as UTF-16. Invalid
// UTF-8 becomes U+FFFD. Empty for the empty text and for text the system
// cannot take in one call (over 2 GiB).
std::wstring toWide(std::string_view text, UINT codePage = CP_UTF8);

// UTF-16 to code page `codePage`; characters outside an ANSI code page
// become its default character.
std::string fromWide(std::wstring_view text, UINT codePage = CP_UTF8);

}  // namespace lumova::win32
