#include "common/text_win32.h"
#include "settings/text_codec.h"

namespace lumova::settings {
namespace {

// The same conversions the profile calls make: invalid UTF-8 becomes
// U+FFFD, characters outside the code page its default character.
class AnsiCodec : public TextCodec {
 public:
  std::string utf8ToAnsi(std::string_view utf8) const override { return win32::fromWide(win32::toWide(utf8), CP_ACP); }
  std::string ansiToUtf8(std::string_view ansi) const override { return win32::fromWide(win32::toWide(ansi, CP_ACP)); }
};

const AnsiCodec kAnsiCodec;  // stateless

}  // namespace

const TextCodec* systemTextCodec() { return &kAnsiCodec; }

}  // namespace lumova::settings
