// Conversions for settings files that start with a UTF-8 byte order mark.
// The profile calls read such a file as UTF-8 and hand its text to the
// program in the ANSI code page, and write what the program gives them back
// as UTF-8. Files without the mark are bytes in the ANSI code page already.
#pragma once

#include <string>
#include <string_view>

namespace lumova::settings {

class TextCodec {
 public:
  virtual ~TextCodec() = default;
  virtual std::string utf8ToAnsi(std::string_view utf8) const = 0;
  virtual std::string ansiToUtf8(std::string_view ansi) const = 0;
};

// The system's conversions (the ANSI code page on Windows); none natively,
// where text passes through as it is.
const TextCodec* systemTextCodec();

}  // namespace lumova::settings
