// Window timers of the saver window.
#pragma once

#include <cstdint>

namespace lumova {

// Motion: the floating pictures' steps; Change: the next picture is due;
// Startup: the first pictures, half a second after the window is up (and
// the start tried again when nothing could be shown); Clock: the clock's
// next minute.
enum class TimerId { Motion = 1, Change = 2, Startup = 3, Clock = 4 };

class Timers {
 public:
  virtual ~Timers() = default;
  // Switches the timer on with this interval; the countdown restarts from
  // now. An interval of 0 leaves the timer silent.
  virtual void set(TimerId id, std::uint32_t intervalMs) = 0;
  virtual void kill(TimerId id) = 0;
};

}  // namespace lumova
