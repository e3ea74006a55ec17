#include "startup/mode.h"

#include "common/textnum.h"

namespace lumova::startup {

std::string_view argumentText(std::string_view commandLine) {
  std::size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    // A quoted program name ends at the closing quote (or the end).
    i = commandLine.find('"', 1);
    i = i == std::string_view::npos ? commandLine.size() : i + 1;
  }
  while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
  if (i < commandLine.size()) ++i;  // the one separating blank
  return commandLine.substr(i);
}

Mode selectMode(std::string_view argText) {
  std::string_view head = argText.substr(0, 2);
  if (head.size() != 2 || head[0] != '/') return Mode::None;
  switch (head[1] | 0x20) {  // lower-case a letter; leaves other characters unmatched
    case 'c':
      return Mode::Settings;
    case 's':
      return Mode::Saver;
    case 'p':
      return Mode::Preview;
    default:
      return Mode::None;
  }
}

std::optional<std::uint32_t> previewHandle(std::string_view argText) {
  if (argText.size() < 3) return std::nullopt;
  auto handle = toInt32(leadingNumber(argText.substr(3)));
  // A handle that reads as a negative 32-bit number is the same handle value
  // with the top bit set, as window handles are only 32 bits wide.
  if (!handle || *handle == 0) return std::nullopt;
  return static_cast<std::uint32_t>(*handle);
}

}  // namespace lumova::startup
