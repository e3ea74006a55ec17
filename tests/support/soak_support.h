// What the long-running saver checks share: a clock that rushes through
// every pause and message boxes that only count.
#pragma once

#include <string>

#include "common/clock.h"
#include "common/message_box.h"

namespace lumova::testing {

// Time runs on with every look at the clock: the pause before a reveal ends
// at once, and the effect drawn at random is seeded anew each change.
class RushingClock : public Clock {
 public:
  double secondsSinceMidnight() const override { return 3600 + t_; }
  double monotonicSeconds() const override { return t_ += 0.31; }

 private:
  mutable double t_ = 0;
};

class SilentMessages : public MessageBoxes {
 public:
  int shown = 0;
  MessageAnswer show(const std::string&, MessageKind) override {
    ++shown;
    return MessageAnswer::Ok;
  }
};

}  // namespace lumova::testing
