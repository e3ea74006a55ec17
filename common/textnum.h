// Conversions between setting texts and numbers.
//
// Settings are stored as text and converted where they are used. Two
// conversions exist: the strict one (the whole text must be a number) for
// settings, and the lenient leading-number one for the preview's window
// handle. Whole numbers are taken to the nearest value, halves to even.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumova {

// Strict: optional blanks, an optional sign, digits with at most one decimal
// point (at least one digit), an optional exponent, optional blanks. Anything
// else, the empty text included, is not a number.
std::optional<double> parseNumber(std::string_view text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, -2.5 -> -2).
double roundHalfEven(double value);

// Nearest whole number in range, or nothing on overflow (or NaN).
std::optional<std::int32_t> toInt32(double value);

// Strict text to whole number: parseNumber, then the range check.
std::optional<std::int32_t> textToInt32(std::string_view text);

// Leading number: leading blanks skipped, then the longest prefix that reads
// as a number (sign, digits, decimal point, exponent); "&H" followed by hex
// digits reads as hexadecimal. No number at all gives 0.
double leadingNumber(std::string_view text);

// Truth value of a font switch: "True"/"False" in any letter case, or a
// number (0 is false, anything else true). Other text has no truth value.
std::optional<bool> parseTruth(std::string_view text);

// Plain decimal: no exponent, no leading zeros, "-" for negatives, a
// fraction only when there is one ("12", "12.5", "-3").
std::string numberToText(double value);
std::string numberToText(std::int64_t value);
inline std::string numberToText(int value) { return numberToText(static_cast<std::int64_t>(value)); }

}  // namespace lumova
