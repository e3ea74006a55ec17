// The clock in a corner of each monitor: when it next changes, where it
// stands (it walks a few pixels a minute, so that it never burns into a
// screen, and keeps clear of the caption), and how it is drawn.
#pragma once

#include <cstdint>
#include <optional>

#include "common/units.h"

namespace lumova::saver {

// Its distance from the monitor's edges, in pixels.
inline constexpr double kClockMarginPixels = 24;
// The walk: a cell a minute over a square of 4 by 4 cells this far apart.
inline constexpr int kClockDriftCells = 4;
inline constexpr double kClockDriftCellPixels = 3;
// The tick comes this long after the minute, so the system's time reads the new one.
inline constexpr std::uint32_t kClockLateMs = 20;

// Milliseconds from `secondsSinceMidnight` until just after the next minute
// by that clock.
std::uint32_t msToNextMinute(double secondsSinceMidnight);

// The cell of the walk in `minuteOfDay` (columns and rows, 0 to 3): a closed
// path through all sixteen, one step a minute, midnight included.
struct ClockDrift {
  int column = 0;
  int row = 0;
  bool operator==(const ClockDrift&) const = default;
};
ClockDrift clockDrift(int minuteOfDay);

// Where a clock of `size` stands on a monitor of `screen` (twips): in from
// the lower right corner by the margin and its drift, or, when that would
// meet `caption`, in the first of the lower left, upper right and upper left
// corners that does not; nothing when each would.
std::optional<TwipRect> clockPlace(TwipSize screen, TwipSize size, double twipsPerPixel, ClockDrift drift,
                                   const TwipRect& caption);

// The clock's size beside the caption's: half of it, never below 8 points.
double clockPoints(double captionPoints);

// A shadow that the text reads over: black under a light colour, white
// under a dark one (RGB, red in the low byte).
std::uint32_t clockShadowColour(std::uint32_t textRgb);

}  // namespace lumova::saver
