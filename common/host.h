// The system calls the saver makes about the pointer, its window's place in
// the z-order, the platform and the screen-saver-running state.
#pragma once

#include <cstdint>

namespace lumova {

struct Module1;

class Host {
 public:
  virtual ~Host() = default;
  // Platform identifier from the system's version record (2 = NT family).
  virtual std::int32_t platformId() = 0;
  // The pointer onto the bottom-right pixel of the screen.
  virtual void parkPointer() = 0;
  // The saver window shown, covering every pixel of every monitor, topmost
  // (raise) or no longer topmost and left where it is (lower).
  virtual void raiseSaverWindow() = 0;
  virtual void lowerSaverWindow() = 0;
  // SPI_SETSCREENSAVERRUNNING on or off; the result is not used.
  virtual void setScreenSaverRunning(bool running) = 0;
  // Ends the whole program at once: no window's closing handler runs.
  virtual void endProgram() = 0;
};

// getPlatform: stores the platform into the shared values.
void getPlatform(Host& host, Module1& m);

}  // namespace lumova
