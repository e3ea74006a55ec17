// What the running saver does with keys, mouse buttons and pointer movement:
// a key, a button on the background or a burst of movement interrupts it.
// Unprotected, an interruption ends the program; protected, it disables and
// lowers the saver window and brings up the password prompt, and the prompt
// either resumes the saver or ends it.
#pragma once

#include <cstdint>

namespace lumova {
class Clock;
}

namespace lumova::startup {

class Host;
struct Module1;

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

// The saver window as input handling drives it.
class SaverWindowControl {
 public:
  virtual ~SaverWindowControl() = default;
  // Shown, modeless.
  virtual void show() = 0;
  // Disabled, the window and its picture surface get no keyboard or mouse
  // input; its timers keep running either way.
  virtual void setInputEnabled(bool enabled) = 0;
};

// The password prompt as the saver brings it up and puts it away.
class Prompt {
 public:
  virtual ~Prompt() = default;
  // Loads the prompt the first time; later it is only shown again.
  virtual void showPrompt() = 0;
  virtual void hidePrompt() = 0;
};

enum class SaverState { Running, Prompting, Ended };

struct SaverSessionDeps {
  Module1& module1;
  Host& host;
  const Clock& clock;
  SaverWindowControl& window;
};

class SaverSession {
 public:
  explicit SaverSession(SaverSessionDeps deps) : d_(deps) {}
  SaverSession(const SaverSession&) = delete;
  SaverSession& operator=(const SaverSession&) = delete;

  // The prompt a protected saver brings up; without one, protection can
  // only end the program.
  void attachPrompt(Prompt& prompt) { prompt_ = &prompt; }

  // Input on the saver window (Form1). Positions on the window are twips,
  // on the picture surface pixels.
  void Form_KeyDown();
  void Picture1_KeyDown();
  void Form_MouseDown();
  void Form_MouseMove(float x, float y);
  void Picture1_MouseMove(float x, float y);

  void countMove();
  void interruptSaver();

  // From the prompt: back to the running saver, or the correct password.
  void resumeSaver();
  void unlockAndEnd();

  SaverState state() const { return state_; }
  const PointerMemory& windowPointer() const { return windowPointer_; }
  const PointerMemory& picturePointer() const { return picturePointer_; }

 private:
  void filterMove(PointerMemory& memory, float x, float y);
  void end();

  SaverSessionDeps d_;
  Prompt* prompt_ = nullptr;
  SaverState state_ = SaverState::Running;
  PointerMemory windowPointer_;
  PointerMemory picturePointer_;
};

}  // namespace lumova::startup
