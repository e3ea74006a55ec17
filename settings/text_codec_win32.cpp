#include <windows.h>

#include <climits>

#include "settings/text_codec.h"

namespace lumova::settings {
namespace {

// The conversions the profile calls make for a file in the ANSI code page.
class AnsiCodec final : public TextCodec {
 public:
  std::u16string ansiToUtf16(std::string_view ansi) const override {
    if (ansi.empty() || ansi.size() > INT_MAX) return {};
    const int size = static_cast<int>(ansi.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
  }
  std::optional<std::string> utf16ToAnsi(std::u16string_view text) const override {
    if (text.empty()) return std::string();
    if (text.size() > INT_MAX) return std::nullopt;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    // A system whose ANSI code page is UTF-8 holds every character, and the
    // call refuses to report default characters for it.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, flags, wide, size, nullptr, 0, nullptr, utf8 ? nullptr : &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide, size, out.data(), n, nullptr, nullptr);
    return out;
  }
};

const AnsiCodec kAnsiCodec;  // stateless

}  // namespace

const TextCodec* systemTextCodec() { return &kAnsiCodec; }

}  // namespace lumova::settings
