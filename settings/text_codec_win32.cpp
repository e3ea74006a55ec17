#include <windows.h>

#include <climits>

#include "settings/text_codec.h"

namespace lumova::settings {
namespace {

std::wstring toWide(UINT codePage, std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string fromWide(UINT codePage, const std::wstring& wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// The same conversions the profile calls make: invalid UTF-8 becomes
// U+FFFD, characters outside the code page its default character.
class AnsiCodec : public TextCodec {
 public:
  std::string utf8ToAnsi(std::string_view utf8) const override { return fromWide(CP_ACP, toWide(CP_UTF8, utf8)); }
  std::string ansiToUtf8(std::string_view ansi) const override { return fromWide(CP_UTF8, toWide(CP_ACP, ansi)); }
};

const AnsiCodec kAnsiCodec;  // stateless

}  // namespace

const TextCodec* systemTextCodec() { return &kAnsiCodec; }

}  // namespace lumova::settings
