// The system's ANSI code page, for settings files written in it. The
// program keeps text in UTF-8 and the settings document in UTF-16; a file
// without a byte order mark is in the ANSI code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumova::settings {

class TextCodec {
 public:
  virtual ~TextCodec() = default;
  virtual std::u16string ansiToUtf16(std::string_view ansi) const = 0;
  // Nothing when some character has no form of its own in the code page
  // (no best-fit substitutes, no default character).
  virtual std::optional<std::string> utf16ToAnsi(std::u16string_view text) const = 0;
};

// Windows-1252, the ANSI code page of Western Windows: the portable stand-in
// for the system's code page, and the one native builds use.
const TextCodec& windows1252Codec();

// The system's ANSI code page on Windows; Windows-1252 natively.
const TextCodec* systemTextCodec();

}  // namespace lumova::settings
