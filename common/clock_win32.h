#pragma once

#include "common/clock.h"

namespace lumova::win32 {

// Local time of day and the performance counter.
class SystemClock final : public Clock {
 public:
  SystemClock();
  double secondsSinceMidnight() const override;
  double monotonicSeconds() const override;

 private:
  double ticksPerSecond_;
};

}  // namespace lumova::win32
