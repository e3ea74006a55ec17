// The surround's cost per picture: time (best and median of 30) and the
// memory it takes beyond the picture (its own pixels and the peak of what it
// allocates while it is made), for a portrait and a 4:3 photo fitted to
// 1920x1080 and 3840x2160 screens. Goal at 1920x1080: under 10 ms, 2 MB.
//
//   surround_bench
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "picture/surround.h"

namespace {

std::atomic<std::size_t> live{0}, peak{0};

}  // namespace

// Every allocation counted, with its size kept in front of it.
void* operator new(std::size_t n) {
  auto* p = static_cast<std::size_t*>(std::malloc(n + sizeof(std::max_align_t)));
  if (!p) throw std::bad_alloc();
  *p = n;
  const std::size_t now = live += n;
  std::size_t was = peak;
  while (now > was && !peak.compare_exchange_weak(was, now)) {
  }
  return reinterpret_cast<char*>(p) + sizeof(std::max_align_t);
}
void operator delete(void* p) noexcept {
  if (!p) return;
  auto* base = reinterpret_cast<std::size_t*>(static_cast<char*>(p) - sizeof(std::max_align_t));
  live -= *base;
  std::free(base);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

int main() {
  using Clock = std::chrono::steady_clock;
  struct Case {
    const char* name;
    lumova::PictureSize screen, picture;
  };
  const Case cases[] = {{"1920x1080, 3:4 portrait", {1920, 1080}, {810, 1080}},
                        {"1920x1080, 4:3 landscape", {1920, 1080}, {1440, 1080}},
                        {"3840x2160, 3:4 portrait", {3840, 2160}, {1620, 2160}},
                        {"3840x2160, 4:3 landscape", {3840, 2160}, {2880, 2160}}};
  std::printf("%-26s %10s %10s %12s %12s\n", "screen, picture", "best ms", "median ms", "surround KB", "peak KB");
  for (const Case& c : cases) {
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(c.picture.width) * c.picture.height * 4);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
    const lumova::PictureSize size = lumova::surroundSize(c.screen);
    std::vector<double> ms;
    std::size_t most = 0;
    for (int run = 0; run < 30; ++run) {
      const std::size_t before = live;
      peak = before;
      const auto t = Clock::now();
      std::vector<std::uint8_t> out(static_cast<std::size_t>(size.width) * size.height * 4);
      lumova::makeSurround({picture.data(), c.picture.width, c.picture.height, c.picture.width * 4},
                           {out.data(), size.width, size.height, size.width * 4});
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
      most = std::max(most, peak - before);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-26s %10.2f %10.2f %12.0f %12.0f\n", c.name, ms.front(), ms[ms.size() / 2],
                size.width * size.height * 4 / 1024.0, most / 1024.0);
  }
  return 0;
}
