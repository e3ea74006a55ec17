#include "common/textnum.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace lumova {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest prefix of `s` that reads as a decimal number
// (sign, digits, one decimal point, exponent), or 0 if there is none.
std::size_t scanDecimal(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  // An exponent only counts when digits follow it ("1E" reads as 1).
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && isDigit(s[j])) {
      while (j < s.size() && isDigit(s[j])) ++j;
      i = j;
    }
  }
  return i;
}

double toDouble(std::string_view number) {
  // from_chars takes no leading '+' and a fraction without leading digit is fine.
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  double value = 0;
  auto ec = std::from_chars(number.data(), number.data() + number.size(), value).ec;
  if (ec == std::errc::result_out_of_range) {
    // Beyond a double's range: a negative exponent underflows to zero,
    // anything else saturates, keeping the sign either way.
    bool negative = number.front() == '-';
    auto e = number.find_first_of("eE");
    bool underflow = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
    if (underflow) return negative ? -0.0 : 0.0;
    return negative ? -HUGE_VAL : HUGE_VAL;
  }
  return value;
}

template <typename Int>
std::optional<Int> toWhole(double value) {
  if (std::isnan(value)) return std::nullopt;
  double r = roundHalfEven(value);
  if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
      r > static_cast<double>(std::numeric_limits<Int>::max()))
    return std::nullopt;
  return static_cast<Int>(r);
}

}  // namespace

std::optional<double> parseNumber(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  std::size_t n = scanDecimal(text);
  if (n == 0 || n != text.size()) return std::nullopt;
  return toDouble(text);
}

double roundHalfEven(double value) { return std::nearbyint(value); }

std::optional<std::int32_t> toInt32(double value) { return toWhole<std::int32_t>(value); }

std::optional<std::int32_t> textToInt32(std::string_view text) {
  auto n = parseNumber(text);
  return n ? toInt32(*n) : std::nullopt;
}

double leadingNumber(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
    std::uint64_t value = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
      char c = text[i];
      int d = isDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (d < 0) break;
      if (value > (UINT64_MAX >> 4)) break;  // more digits than any handle has
      value = value * 16 + static_cast<unsigned>(d);
    }
    return static_cast<double>(value);
  }
  std::size_t n = scanDecimal(text);
  return n == 0 ? 0.0 : toDouble(text.substr(0, n));
}

std::optional<bool> parseTruth(std::string_view text) {
  std::string_view t = text;
  while (!t.empty() && isBlank(t.front())) t.remove_prefix(1);
  while (!t.empty() && isBlank(t.back())) t.remove_suffix(1);
  auto equalsNoCase = [&](std::string_view word) {
    if (t.size() != word.size()) return false;
    for (std::size_t i = 0; i < t.size(); ++i)
      if ((t[i] | 0x20) != word[i]) return false;
    return true;
  };
  if (equalsNoCase("true")) return true;
  if (equalsNoCase("false")) return false;
  if (auto n = parseNumber(t)) return *n != 0.0;
  return std::nullopt;
}

std::string numberToText(std::int64_t value) { return std::to_string(value); }

std::string numberToText(double value) {
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
    return numberToText(static_cast<std::int64_t>(value));
  // Fifteen digits after the point; the whole part of a large value takes up
  // to 309 digits, which a fixed buffer would cut.
  const int length = std::snprintf(nullptr, 0, "%.15f", value);
  std::string s(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  std::snprintf(s.data(), s.size() + 1, "%.15f", value);
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

}  // namespace lumova
