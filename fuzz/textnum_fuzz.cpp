// The text-to-number conversions from arbitrary text, checked against each
// other: the strict and the leading reading agree on a whole number, the
// rounding stays within a half, and a number written as text reads back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "common/textnum.h"

namespace {

[[noreturn]] void fail(const char* what, std::string_view text) {
  std::fprintf(stderr, "%s: \"%.*s\"\n", what, static_cast<int>(text.size()), text.data());
  std::abort();
}

void checkWritten(double v) {
  if (!std::isfinite(v)) return;
  const std::string text = lumova::numberToText(v);
  const auto back = lumova::parseNumber(text);
  if (!back) fail("a written number does not read back", text);
  // Fifteen digits after the point: what is lost is below the last one.
  const double tolerance = std::fabs(v) * 1e-15 + 1e-15;
  if (std::fabs(*back - v) > tolerance) fail("a written number reads back as another", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly `size` bytes, so that a read past the text's end is caught.
  std::string owned(reinterpret_cast<const char*>(data), size);
  const std::string_view text(owned);

  const auto strict = lumova::parseNumber(text);
  if (strict) {
    if (std::isnan(*strict)) fail("a number that is NaN", text);
    // A whole number is also its own leading number (hex aside, which the
    // strict reading never takes).
    if (lumova::leadingNumber(text) != *strict) fail("strict and leading readings differ", text);
    const auto whole = lumova::textToInt32(text);
    const auto direct = lumova::toInt32(*strict);
    if (whole != direct) fail("textToInt32 differs from parseNumber + toInt32", text);
    if (whole && std::fabs(static_cast<double>(*whole) - *strict) > 0.5) fail("rounded by more than a half", text);
    checkWritten(*strict);
  }
  const double leading = lumova::leadingNumber(text);
  if (std::isnan(leading)) fail("a leading number that is NaN", text);
  if (std::isfinite(leading)) {
    const double r = lumova::roundHalfEven(leading);
    if (r != std::trunc(r) || std::fabs(r - leading) > 0.5) fail("roundHalfEven is not the nearest whole", text);
  }
  lumova::parseTruth(text);

  // The first bytes as a number of their own, for values no text reaches.
  if (size >= sizeof(double)) {
    double v;
    std::memcpy(&v, data, sizeof v);
    checkWritten(v);
    std::int64_t i;
    std::memcpy(&i, data, sizeof i);
    const std::string t = lumova::numberToText(i);
    if (std::fabs(i) < 9007199254740992.0 && lumova::parseNumber(t) != static_cast<double>(i))
      fail("a whole number does not read back", t);
  }
  return 0;
}
