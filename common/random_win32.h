// The system's own random source (BCryptGenRandom) behind the Random seam:
// no seed, so two starts in the same second draw differently.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/random.h"

namespace lumova::win32 {

class SystemRandom final : public Random {
 public:
  void reseed() override {}
  double next() override;

 private:
  // Drawn a block at a time: one system call for many draws.
  std::array<std::uint64_t, 256> block_{};
  std::size_t used_ = block_.size();
  std::uint64_t fallback_ = 0x9E3779B97F4A7C15ull;
};

}  // namespace lumova::win32
