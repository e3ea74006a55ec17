// Keys that steer the show, when the settings ask for it (keysSteer "1"):
// the arrows step through the pictures, space pauses, I shows each
// picture's details and H hides a picture for good. Every other key still
// ends the saver or brings up the prompt.
#pragma once

#include <cstddef>

namespace lumova::saver {

// A key as the window reports it: its Windows virtual-key code, whether it
// is the keyboard's repeat of a key held down, and whether Ctrl or Alt is
// held with it.
struct KeyPress {
  int code = 0;
  bool repeat = false;
  bool withCtrlOrAlt = false;
};

// The virtual-key codes the show takes, as Windows numbers them.
inline constexpr int kKeySpace = 0x20;
inline constexpr int kKeyLeft = 0x25;
inline constexpr int kKeyRight = 0x27;
inline constexpr int kKeyH = 0x48;
inline constexpr int kKeyI = 0x49;

enum class Steer { None, Next, Previous, Pause, Details, Hide };

// What a key does to the show; None for every other key, and for any key
// with Ctrl or Alt (those belong to the system).
constexpr Steer steerOf(const KeyPress& key) {
  if (key.withCtrlOrAlt) return Steer::None;
  switch (key.code) {
    case kKeyRight:
      return Steer::Next;
    case kKeyLeft:
      return Steer::Previous;
    case kKeySpace:
      return Steer::Pause;
    case kKeyI:
      return Steer::Details;
    case kKeyH:
      return Steer::Hide;
    default:
      return Steer::None;
  }
}

// Left goes back through at least this many changes.
inline constexpr std::size_t kHistoryLength = 100;
// A held arrow steps at most once in this time (about four a second).
inline constexpr double kHeldStepSeconds = 0.25;
// Keys that come while a change runs are taken at its end, at most this many.
inline constexpr std::size_t kKeysWaitingMost = 2;

class ShowSteering {
 public:
  virtual ~ShowSteering() = default;
  // True when the show takes the key; false leaves it to end the saver or
  // bring up the prompt, as any key does without steering.
  virtual bool steer(const KeyPress& key) = 0;
};

}  // namespace lumova::saver
