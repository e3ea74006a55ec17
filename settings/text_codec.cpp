#include "settings/text_codec.h"

#include <array>

namespace lumova::settings {
namespace {

// 0x80..0x9F; the five bytes Windows-1252 leaves undefined map to the C1
// control of the same number, as the system's conversion does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

class Windows1252 final : public TextCodec {
 public:
  std::u16string ansiToUtf16(std::string_view ansi) const override {
    std::u16string out(ansi.size(), u'\0');
    for (std::size_t i = 0; i < ansi.size(); ++i) {
      const auto b = static_cast<unsigned char>(ansi[i]);
      out[i] = b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : static_cast<char16_t>(b);
    }
    return out;
  }
  std::optional<std::string> utf16ToAnsi(std::u16string_view text) const override {
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
        out[i] = static_cast<char>(c);
        continue;
      }
      std::size_t k = 0;
      while (k < kHighControls.size() && kHighControls[k] != c) ++k;
      if (k == kHighControls.size()) return std::nullopt;
      out[i] = static_cast<char>(0x80 + k);
    }
    return out;
  }
};

const Windows1252 kWindows1252;  // stateless

}  // namespace

const TextCodec& windows1252Codec() { return kWindows1252; }

#ifndef _WIN32
const TextCodec* systemTextCodec() { return &kWindows1252; }
#endif

}  // namespace lumova::settings
