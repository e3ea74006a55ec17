#include "startup/input.h"

#include <cmath>
#include <limits>

#include "common/clock.h"
#include "common/host.h"
#include "common/protection.h"
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
void SaverSession::onKey(const saver::KeyPress& key) {
  if (!d_.run.takesInput()) return;
  if (d_.steering && d_.steering->steer(key)) return;
  interruptSaver();
}

void SaverSession::onPictureKey() {
  if (d_.run.takesInput()) interruptSaver();
}

void SaverSession::onButton() {
  if (d_.run.takesInput()) interruptSaver();
}

void SaverSession::onWindowMove(float x, float y) {
  if (d_.run.takesInput()) filterMove(windowPointer_, x, y);
}

void SaverSession::onPictureMove(float x, float y) {
  if (d_.run.takesInput()) filterMove(picturePointer_, x, y);
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
  MovementBurst& m = burst_;
  ++m.count;
  if (m.count == kMovesToInterrupt) interruptSaver();
  // The burst is timed on the monotonic clock, so it also expires across
  // midnight; the start is kept in whole seconds as the counter always was.
  const double now = d_.clock.monotonicSeconds();
  if (!m.open) {
    m.open = true;
    m.start = roundHalfEven(now);
  } else if (now - m.start > kBurstSeconds) {
    m = MovementBurst{};
  }
}

void SaverSession::interruptSaver() {
  if (!d_.run.takesInput()) return;
  if (!protectionOn(d_.protection)) {
    end();  // the lock was never set
    return;
  }
  if (!prompt_) {
    unlockAndEnd();
    return;
  }
  d_.run.setPrompting(true);
  d_.window.setInputEnabled(false);
  d_.host.lowerSaverWindow();
  prompt_->showPrompt();
}

void SaverSession::resumeSaver() {
  if (!d_.run.prompting()) return;
  d_.run.setPrompting(false);
  d_.host.parkPointer();
  d_.window.show();
  d_.window.setInputEnabled(true);
  d_.host.raiseSaverWindow();
  if (prompt_) prompt_->hidePrompt();
}

void SaverSession::unlockAndEnd() {
  if (d_.run.ended()) return;
  if (systemLockApplies(d_.protection)) d_.host.setScreenSaverRunning(false);
  end();
}

void SaverSession::end() {
  d_.run.enter(saver::ShowPhase::Ended);
  d_.host.endProgram();
}

}  // namespace lumova::startup
