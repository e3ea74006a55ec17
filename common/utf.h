// UTF-8 and UTF-16, converted without the platform: the program keeps its
// text in UTF-8, the settings file and the system calls may want UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace lumova {

// Invalid or truncated sequences, and lone surrogates, become U+FFFD.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

// The number of UTF-16 code units `utf8` takes (what a wide buffer must
// hold, without its terminator).
std::size_t utf16Length(std::string_view utf8);

}  // namespace lumova
