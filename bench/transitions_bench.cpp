// Transition effects: the paced plan against the naive loop that copies
// every step straight to the screen.
//
// For each picture size and effect it prints steps, frames, pixels copied
// over the picture's area, and CPU time per effect (plan + copy calls on a
// counting surface, no frame waits). With --memory it also times real copies
// between two 32-bit pixel buffers of the smaller picture.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "effects/blend.h"
#include "effects/pan_zoom.h"
#include "effects/transitions.h"

using namespace lumova::effects;
using lumova::PictureSize;

namespace {

constexpr const char* kNames[] = {"Standard",       "Left wipe",   "Right wipe",        "Right & Left wipe",
                                  "Up & down wipe", "Center wipe", "Horizontal blinds", "Vertical blinds"};

class CountingCopier final : public RectCopier {
 public:
  bool copy(const PixelRect& r) override {
    ++copies;
    pixels += r.area();
    return true;
  }
  std::int64_t copies = 0;
  std::int64_t pixels = 0;
};

class MemoryCopier final : public RectCopier {
 public:
  MemoryCopier(int w, int h)
      : w_(w), source_(static_cast<std::size_t>(w) * h, 0x00336699u), target_(static_cast<std::size_t>(w) * h, 0) {}
  bool copy(const PixelRect& r) override {
    for (int y = r.y; y < r.y + r.h; ++y) {
      const std::size_t at = static_cast<std::size_t>(y) * w_ + r.x;
      std::memcpy(&target_[at], &source_[at], static_cast<std::size_t>(r.w) * 4);
    }
    return true;
  }
  std::uint32_t checksum() const { return target_[target_.size() / 2]; }

 private:
  int w_;
  std::vector<std::uint32_t> source_, target_;
};

class NoWait final : public FrameWaiter {
 public:
  void waitForNextFrame() override { ++waits; }
  std::int64_t waits = 0;
};

double cpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct Result {
  std::int64_t steps = 0;
  std::size_t frames = 0;
  std::int64_t pixels = 0;
  double cpuMs = 0;
  double memoryMs = -1;
};

// The loop as drawn straight to the screen: every step copied whole.
void runNaive(int effect, int w, int h, RectCopier& copier, std::int64_t& steps) {
  const EffectSteps s = effectSteps(effect, w, h);
  steps = static_cast<std::int64_t>(s.steps.size());
  for (const StepRect& step : s.steps) {
    const PixelRect r = toPixels(step, w, h);
    if (!r.empty()) copier.copy(r);
  }
}

void runPaced(int effect, int w, int h, RectCopier& copier, std::int64_t& steps, std::size_t& frames) {
  const EffectPlan plan = planEffect(effect, w, h, 60);
  NoWait waiter;
  playPlan(plan, copier, waiter);
  steps = plan.steps;
  frames = plan.frameCount();
}

template <typename Run>
double cpuMsPerRun(Run run) {
  // Repeat until the clock's resolution no longer matters.
  int runs = 0;
  const double start = cpuSeconds();
  double elapsed = 0;
  do {
    run();
    ++runs;
    elapsed = cpuSeconds() - start;
  } while (elapsed < 0.2 && runs < 100000);
  return 1000 * elapsed / runs;
}

template <typename Run>
double wallMsOnce(Run run) {
  timespec a{}, b{};
  clock_gettime(CLOCK_MONOTONIC, &a);
  run();
  clock_gettime(CLOCK_MONOTONIC, &b);
  return (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6;
}

std::string fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

}  // namespace

// The crossfade's blend and a pan-and-zoom frame (a picture at 1.15 times
// its cover size, drawn at 108 %, a sub-pixel offset), per frame and path.
void pixelRows() {
  std::printf("| screen | path | crossfade ms/frame | pan and zoom ms/frame |\n|---|---|---:|---:|\n");
  const PictureSize screens[] = {{1024, 768}, {1920, 1080}, {3840, 2160}};
  for (const PictureSize s : screens) {
    const std::size_t n = static_cast<std::size_t>(s.width) * s.height;
    std::vector<std::uint32_t> a(n, 0x00336699u), b(n, 0x00CC3311u), out(n);
    const PictureSize picture{s.width * 115 / 100, s.height * 115 / 100};
    std::vector<std::uint32_t> pic(static_cast<std::size_t>(picture.width) * picture.height);
    for (std::size_t i = 0; i < pic.size(); ++i) pic[i] = static_cast<std::uint32_t>(i * 2654435761u);
    for (const PixelRows& rows : supportedPixelRows()) {
      int weight = 0;
      const double fade = cpuMsPerRun([&] {
        for (int y = 0; y < s.height; ++y) {
          const std::size_t at = static_cast<std::size_t>(y) * s.width;
          rows.blend(&a[at], &b[at], &out[at], s.width, weight);
        }
        weight = (weight + 7) % 257;
      });
      PanZoomDrawer drawer(rows);
      double shift = 0;
      const double pan = cpuMsPerRun([&] {
        drawer.draw(pic.data(), picture, {-37.3 - shift, -21.7, 1.08 / 1.15}, out.data(), s, 0);
        shift += 0.37;
      });
      std::printf("| %dx%d | %s | %s | %s |\n", s.width, s.height, rows.name, fixed(fade, 2).c_str(),
                  fixed(pan, 2).c_str());
    }
  }
}

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--rows") == 0) {
    pixelRows();
    return 0;
  }
  const bool memory = argc > 1 && std::strcmp(argv[1], "--memory") == 0;
  struct Size {
    int w, h;
  };
  const Size sizes[] = {{1920, 1080}, {6000, 4000}};

  std::printf(
      "| picture | effect | steps | frames | px/area paced | CPU ms paced | px/area naive | "
      "CPU ms naive |%s\n",
      memory ? " copy ms paced | copy ms naive |" : "");
  std::printf("|---|---|---:|---:|---:|---:|---:|---:|%s\n", memory ? "---:|---:|" : "");
  for (const Size& size : sizes) {
    const double area = static_cast<double>(size.w) * size.h;
    for (int effect = kLeftWipe; effect <= kVerticalBlinds; ++effect) {
      Result paced, naive;
      {
        CountingCopier c;
        runPaced(effect, size.w, size.h, c, paced.steps, paced.frames);
        paced.pixels = c.pixels;
        paced.cpuMs = cpuMsPerRun([&] {
          CountingCopier cc;
          std::int64_t s;
          std::size_t f;
          runPaced(effect, size.w, size.h, cc, s, f);
        });
      }
      {
        CountingCopier c;
        runNaive(effect, size.w, size.h, c, naive.steps);
        naive.pixels = c.pixels;
        naive.cpuMs = cpuMsPerRun([&] {
          CountingCopier cc;
          std::int64_t s;
          runNaive(effect, size.w, size.h, cc, s);
        });
      }
      std::string extra;
      if (memory) {
        if (size.w * size.h <= 1920 * 1080) {
          MemoryCopier mp(size.w, size.h), mn(size.w, size.h);
          std::int64_t s;
          std::size_t f;
          paced.memoryMs = wallMsOnce([&] { runPaced(effect, size.w, size.h, mp, s, f); });
          naive.memoryMs = wallMsOnce([&] { runNaive(effect, size.w, size.h, mn, s); });
          extra = " " + fixed(paced.memoryMs, 1) + " | " + fixed(naive.memoryMs, 0) + " |";
        } else {
          extra = " - | - |";
        }
      }
      std::printf("| %dx%d | %s | %lld | %zu | %s | %s | %s | %s |%s\n", size.w, size.h, kNames[effect],
                  static_cast<long long>(paced.steps), paced.frames, fixed(paced.pixels / area, 3).c_str(),
                  fixed(paced.cpuMs, 3).c_str(), fixed(naive.pixels / area, 1).c_str(), fixed(naive.cpuMs, 3).c_str(),
                  extra.c_str());
    }
  }
  std::printf(
      "\nNaive: unpaced, every step copied whole; a composited desktop shows all of it "
      "within one display frame.\nPaced frames at 60 Hz; CPU time excludes the frame waits.\n");
  return 0;
}
