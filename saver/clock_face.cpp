#include "saver/clock_face.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumova::saver {
namespace {

// Neighbouring cells one after the other, the last next to the first.
constexpr std::array<ClockDrift, 16> kWalk{{{0, 0},
                                            {1, 0},
                                            {2, 0},
                                            {3, 0},
                                            {3, 1},
                                            {2, 1},
                                            {1, 1},
                                            {1, 2},
                                            {2, 2},
                                            {3, 2},
                                            {3, 3},
                                            {2, 3},
                                            {1, 3},
                                            {0, 3},
                                            {0, 2},
                                            {0, 1}}};
static_assert(kWalk.size() == kClockDriftCells * kClockDriftCells);
// 1440 minutes make 90 rounds: midnight steps on to the next cell too.
static_assert(1440 % kWalk.size() == 0);

bool meets(const TwipRect& a, const TwipRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height && b.top < a.top + a.height;
}

}  // namespace

std::uint32_t msToNextMinute(double secondsSinceMidnight) {
  const double intoMinute = std::fmod(std::max(secondsSinceMidnight, 0.0), 60.0);
  return static_cast<std::uint32_t>(std::ceil((60.0 - intoMinute) * 1000.0)) + kClockLateMs;
}

ClockDrift clockDrift(int minuteOfDay) {
  const int n = static_cast<int>(kWalk.size());
  return kWalk[static_cast<std::size_t>(((minuteOfDay % n) + n) % n)];
}

std::optional<TwipRect> clockPlace(TwipSize screen, TwipSize size, double twipsPerPixel, ClockDrift drift,
                                   const TwipRect& caption) {
  const double inX = (kClockMarginPixels + drift.column * kClockDriftCellPixels) * twipsPerPixel;
  const double inY = (kClockMarginPixels + drift.row * kClockDriftCellPixels) * twipsPerPixel;
  const double right = screen.width - inX - size.width, bottom = screen.height - inY - size.height;
  const std::array<TwipRect, 4> corners{{{right, bottom, size.width, size.height},
                                         {inX, bottom, size.width, size.height},
                                         {right, inY, size.width, size.height},
                                         {inX, inY, size.width, size.height}}};
  const bool noCaption = caption.width <= 0 || caption.height <= 0;
  for (const TwipRect& place : corners)
    if (noCaption || !meets(place, caption)) return place;
  return std::nullopt;
}

double clockPoints(double captionPoints) { return std::max(captionPoints / 2, 8.0); }

std::uint32_t clockShadowColour(std::uint32_t textRgb) {
  const double r = textRgb & 0xFF, g = (textRgb >> 8) & 0xFF, b = (textRgb >> 16) & 0xFF;
  const double luma = 0.299 * r + 0.587 * g + 0.114 * b;
  return luma >= 96 ? 0x000000 : 0xFFFFFF;
}

}  // namespace lumova::saver
