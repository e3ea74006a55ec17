// A virtual clock and event queue: window timers fire in virtual time, and
// the saver's pause lets them run, so timing rules are exact and instant.
#pragma once

#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/random.h"
#include "common/timers.h"
#include "saver/saver_view.h"

namespace lumova::fakes {

class VirtualClock : public Clock {
 public:
  double now = 0;                 // monotonic seconds
  double midnightOffset = 43200;  // time of day when now == 0
  double secondsSinceMidnight() const override { return std::fmod(midnightOffset + now, 86400.0); }
  double monotonicSeconds() const override { return now; }
};

// Window timers as Windows runs them: a tick is due every interval from the
// moment the timer was set; ticks that fall due while the program is busy
// arrive as one. The queue delivers them when the program yields or when
// the test lets time run.
class VirtualEventQueue : public Timers, public saver::EventPump {
 public:
  explicit VirtualEventQueue(VirtualClock& clock) : clock_(clock) {}
  std::function<void(TimerId)> onTimer;
  std::vector<std::string>* log = nullptr;  // "timer2 5000", "timer3 off"
  // Runs at every yield before the ticks due: messages other than timers.
  std::function<void()> onYield;

  void set(TimerId id, std::uint32_t ms) override {
    if (log) log->push_back("timer" + std::to_string(static_cast<int>(id)) + " " + std::to_string(ms));
    if (ms == 0) {
      timers_.erase(id);
      return;
    }
    timers_[id] = Timer{ms / 1000.0, clock_.now + ms / 1000.0};
  }
  void kill(TimerId id) override {
    if (log) log->push_back("timer" + std::to_string(static_cast<int>(id)) + " off");
    timers_.erase(id);
  }

  bool active(TimerId id) const { return timers_.count(id) != 0; }
  std::optional<double> interval(TimerId id) const {
    auto it = timers_.find(id);
    if (it == timers_.end()) return std::nullopt;
    return it->second.interval;
  }

  // Yield: deliver what is due, up to `maxSeconds` of virtual time.
  void pumpFor(double maxSeconds) override {
    ++yields;
    if (onYield) onYield();
    double target = clock_.now + maxSeconds;
    // Time always moves on a yield, however small the step asked for.
    if (target <= clock_.now) target = std::nextafter(clock_.now, INFINITY);
    runUntil(target);
  }

  // Let virtual time run to `t`, delivering every tick due before it.
  void runUntil(double t) {
    for (;;) {
      auto next = nextDue();
      if (!next || next->second > t) break;
      clock_.now = std::max(clock_.now, next->second);
      Timer& timer = timers_[next->first];
      timer.due += timer.interval;
      if (timer.due <= clock_.now) timer.due = clock_.now + timer.interval;
      if (onTimer) onTimer(next->first);
    }
    clock_.now = std::max(clock_.now, t);
  }
  void runFor(double seconds) { runUntil(clock_.now + seconds); }

  int yields = 0;

 private:
  struct Timer {
    double interval;
    double due;
  };
  std::optional<std::pair<TimerId, double>> nextDue() const {
    std::optional<std::pair<TimerId, double>> best;
    for (const auto& [id, t] : timers_)
      if (!best || t.due < best->second) best = std::make_pair(id, t.due);
    return best;
  }

  VirtualClock& clock_;
  std::map<TimerId, Timer> timers_;
};

// Random values from a script, then a fixed value; counts re-seeds.
class ScriptedRandom : public Random {
 public:
  std::vector<double> values;
  double fallback = 0.25;
  int reseeds = 0;
  void reseed() override { ++reseeds; }
  double next() override {
    if (values.empty()) return fallback;
    double v = values.front();
    values.erase(values.begin());
    return v;
  }
};

}  // namespace lumova::fakes
