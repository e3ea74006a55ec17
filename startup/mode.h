// Which of the three runs the command line asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumova::startup {

enum class Mode { None, Settings, Saver, Preview };

// The argument text: the command line without the program name and the one
// blank that separates them. Further blanks belong to the arguments, so
// "Lumova.scr  /s" has the argument text " /s".
std::string_view argumentText(std::string_view commandLine);

// The first two characters of the argument text, lower-cased: "/c", "/s" or
// "/p". Anything else (the empty text, " /s", "-s", "/a") selects nothing.
Mode selectMode(std::string_view argText);

// The host window handle of "/p <handle>": the text after the first three
// characters, read as a leading number and taken to the nearest 32-bit
// integer. Nothing when the text is too short, the handle is 0, or it does
// not fit: drawing into handle 0 would draw on the whole screen.
std::optional<std::uint32_t> previewHandle(std::string_view argText);

}  // namespace lumova::startup
