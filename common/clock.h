// Time as the saver sees it.
#pragma once

namespace lumova {

class Clock {
 public:
  virtual ~Clock() = default;
  // Local time of day in seconds since midnight, with the fraction
  // (0 <= t < 86400). Jumps back to 0 at midnight.
  virtual double secondsSinceMidnight() const = 0;
  // A clock that only goes forward, in seconds from an arbitrary origin.
  virtual double monotonicSeconds() const = 0;
};

}  // namespace lumova
