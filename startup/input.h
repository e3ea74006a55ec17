// What the running saver does with keys, mouse buttons and pointer movement:
// a key, a button on the background or a burst of movement interrupts it.
// Unprotected, an interruption ends the program; protected, it disables and
// lowers the saver window and brings up the password prompt, and the prompt
// either resumes the saver or ends it.
#pragma once

#include <cstdint>

#include "password/password_prompt.h"
#include "saver/run_state.h"
#include "saver/saver_view.h"

namespace lumova {
class Clock;
class Host;
struct Protection;
}  // namespace lumova

namespace lumova::startup {

// Movement that exceeds this many units on either axis counts.
inline constexpr float kMoveThreshold = 3;
// A burst expires once the first counted movement is more than this old.
inline constexpr double kBurstSeconds = 2;
// The counted movement that interrupts.
inline constexpr std::int32_t kMovesToInterrupt = 5;

// One surface's remembered pointer position, in that surface's own units.
// 32 bits wide: a large screen is more than 32767 twips across.
struct PointerMemory {
  std::int32_t lastX = 0;
  std::int32_t lastY = 0;
};

// Counted pointer movements: how many, whether a burst is open, and when it
// began on the monotonic clock (whole seconds).
struct MovementBurst {
  std::int32_t count = 0;
  bool open = false;
  double start = 0;
};

// The run as input sees it.
enum class SaverState { Running, Prompting, Ended };

struct SaverSessionDeps {
  const Protection& protection;
  Host& host;
  const Clock& clock;
  saver::SaverWindowControl& window;
  // The run's one state, which the slideshow shares.
  saver::RunState& run;
};

class SaverSession final : public password::SaverControl {
 public:
  explicit SaverSession(SaverSessionDeps deps) : d_(deps) {}
  SaverSession(const SaverSession&) = delete;
  SaverSession& operator=(const SaverSession&) = delete;

  // The prompt a protected saver brings up; without one, protection can
  // only end the program.
  void attachPrompt(password::Prompt& prompt) { prompt_ = &prompt; }

  // Input on the saver window. Positions on the window are twips, on the
  // picture surface pixels.
  void onKey();
  void onPictureKey();
  void onButton();
  void onWindowMove(float x, float y);
  void onPictureMove(float x, float y);

  void countMove();
  void interruptSaver();

  // From the prompt: back to the running saver, or the correct password.
  // Also the way out after an unexpected error: the lock released first.
  void resumeSaver() override;
  void unlockAndEnd() override;

  SaverState state() const {
    return d_.run.ended() ? SaverState::Ended : d_.run.prompting() ? SaverState::Prompting : SaverState::Running;
  }
  const MovementBurst& burst() const { return burst_; }
  const PointerMemory& windowPointer() const { return windowPointer_; }
  const PointerMemory& picturePointer() const { return picturePointer_; }

 private:
  void filterMove(PointerMemory& memory, float x, float y);
  void end();

  SaverSessionDeps d_;
  password::Prompt* prompt_ = nullptr;
  MovementBurst burst_;
  PointerMemory windowPointer_;
  PointerMemory picturePointer_;
};

}  // namespace lumova::startup
