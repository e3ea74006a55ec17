// The saver's one pseudo-random generator: values in [0, 1), re-seeded from
// the clock at the moments the slideshow asks for it.
#pragma once

#include <cstdint>

namespace lumova {

class Clock;

class Random {
 public:
  virtual ~Random() = default;
  virtual void reseed() = 0;
  virtual double next() = 0;  // [0, 1)
};

// A generator seeded from the clock's time of day. Two re-seeds within the
// same clock tick would repeat a sequence, so each re-seed also mixes in a
// running count.
class ClockSeededRandom final : public Random {
 public:
  explicit ClockSeededRandom(const Clock& clock);
  void reseed() override;
  double next() override;

 private:
  const Clock& clock_;
  std::uint64_t state_;
  std::uint64_t reseeds_ = 0;
};

}  // namespace lumova
