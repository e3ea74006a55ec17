#include "startup/input.h"

#include <cmath>
#include <limits>

#include "common/clock.h"
#include "common/host.h"
#include "common/module1.h"
#include "common/textnum.h"

namespace lumova::startup {
namespace {

std::int32_t nearestInt32(float value) {
  constexpr double lo = std::numeric_limits<std::int32_t>::min();
  constexpr double hi = std::numeric_limits<std::int32_t>::max();
  double r = roundHalfEven(static_cast<double>(value));
  if (std::isnan(r)) return 0;
  if (r < lo) return std::numeric_limits<std::int32_t>::min();
  if (r > hi) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(r);
}

}  // namespace

// A disabled window gets no input, so nothing reacts while the prompt is up.
void SaverSession::Form_KeyDown() {
  if (state_ == SaverState::Running) interruptSaver();
}

void SaverSession::Picture1_KeyDown() {
  if (state_ == SaverState::Running) interruptSaver();
}

void SaverSession::Form_MouseDown() {
  if (state_ == SaverState::Running) interruptSaver();
}

void SaverSession::Form_MouseMove(float x, float y) {
  if (state_ == SaverState::Running) filterMove(windowPointer_, x, y);
}

void SaverSession::Picture1_MouseMove(float x, float y) {
  if (state_ == SaverState::Running) filterMove(picturePointer_, x, y);
}

void SaverSession::filterMove(PointerMemory& memory, float x, float y) {
  // A remembered 0 is the start value, so the first report only records.
  const bool moved = std::fabs(x - static_cast<float>(memory.lastX)) > kMoveThreshold ||
                     std::fabs(y - static_cast<float>(memory.lastY)) > kMoveThreshold;
  if (moved && memory.lastX > 0 && memory.lastY > 0) countMove();
  memory.lastX = nearestInt32(x);
  memory.lastY = nearestInt32(y);
}

void SaverSession::countMove() {
  Module1& m = d_.module1;
  ++m.moveCount;
  if (m.moveCount == kMovesToInterrupt) interruptSaver();
  // The burst is timed on the monotonic clock, so it also expires across
  // midnight; the start is kept in whole seconds as the counter always was.
  const double now = d_.clock.monotonicSeconds();
  if (!m.burstOpen) {
    m.burstOpen = true;
    m.moveStart = roundHalfEven(now);
  } else if (now - m.moveStart > kBurstSeconds) {
    m.burstOpen = false;
    m.moveStart = 0;
    m.moveCount = 0;
  }
}

void SaverSession::interruptSaver() {
  if (state_ != SaverState::Running) return;
  if (!protectionOn(d_.module1)) {
    end();  // the lock was never set
    return;
  }
  if (!prompt_) {
    unlockAndEnd();
    return;
  }
  state_ = SaverState::Prompting;
  d_.window.setInputEnabled(false);
  d_.host.lowerSaverWindow();
  prompt_->showPrompt();
}

void SaverSession::resumeSaver() {
  if (state_ != SaverState::Prompting) return;
  state_ = SaverState::Running;
  d_.host.parkPointer();
  d_.window.show();
  d_.window.setInputEnabled(true);
  d_.host.raiseSaverWindow();
  if (prompt_) prompt_->hidePrompt();
}

void SaverSession::unlockAndEnd() {
  if (state_ == SaverState::Ended) return;
  if (systemLockApplies(d_.module1)) d_.host.setScreenSaverRunning(false);
  end();
}

void SaverSession::end() {
  state_ = SaverState::Ended;
  d_.host.endProgram();
}

}  // namespace lumova::startup
