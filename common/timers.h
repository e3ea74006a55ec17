// Window timers of the saver window.
#pragma once

#include <cstdint>

namespace lumova {

enum class TimerId { Timer1 = 1, Timer2 = 2, Timer3 = 3 };

class Timers {
 public:
  virtual ~Timers() = default;
  // Switches the timer on with this interval; the countdown restarts from
  // now. An interval of 0 leaves the timer silent.
  virtual void set(TimerId id, std::uint32_t intervalMs) = 0;
  virtual void kill(TimerId id) = 0;
};

}  // namespace lumova
