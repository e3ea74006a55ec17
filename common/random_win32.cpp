#include "common/random_win32.h"

#include <windows.h>

#include <bcrypt.h>

namespace lumova::win32 {

double SystemRandom::next() {
  if (used_ == block_.size()) {
    used_ = 0;
    const NTSTATUS status = BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(block_.data()),
                                            static_cast<ULONG>(sizeof block_), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    // Should the system refuse, the order still varies from draw to draw.
    if (status < 0)
      for (auto& v : block_) v = (fallback_ += 0x9E3779B97F4A7C15ull) * 0xBF58476D1CE4E5B9ull;
  }
  // 53 random bits scaled into [0, 1).
  return static_cast<double>(block_[used_++] >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace lumova::win32
