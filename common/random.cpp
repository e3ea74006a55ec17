#include "common/random.h"

#include <cstring>

#include "common/clock.h"

namespace lumova {
namespace {

// splitmix64: small, fast and good enough to pick pictures and directions.
std::uint64_t splitmix(std::uint64_t& s) {
  std::uint64_t z = (s += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

ClockSeededRandom::ClockSeededRandom(const Clock& clock) : clock_(clock), state_(0) { reseed(); }

void ClockSeededRandom::reseed() {
  double t = clock_.secondsSinceMidnight() + clock_.monotonicSeconds();
  std::uint64_t bits = 0;
  static_assert(sizeof bits == sizeof t);
  std::memcpy(&bits, &t, sizeof bits);
  state_ = bits ^ (++reseeds_ * 0xD1B54A32D192ED03ull);
}

double ClockSeededRandom::next() {
  // 53 random bits scaled into [0, 1).
  return static_cast<double>(splitmix(state_) >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace lumova
