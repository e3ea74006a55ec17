// The transition effects that reveal a new picture: which effect runs, the
// rectangles each of its steps copies, and the paced plan that shows those
// steps at the display's frame rate.
//
// Coordinates are the picture's own pixels, (0, 0) its top-left corner; the
// source and the visible surface share them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "effects/effect_table.h"

namespace lumova {
class Clock;
class Random;
}  // namespace lumova

namespace lumova::effects {

inline constexpr int kBlindPitch = 20;

// Picks the effect for the next picture: the number effectMode holds, when
// the table has it; nothing otherwise (the commit alone shows the picture).
// With randomEffect the generator is re-seeded and one of the stepped
// effects drawn (1..7); the drawn number replaces effectMode (the saver's
// copy in memory; nothing is saved).
std::optional<int> chooseEffect(std::optional<int>& effectMode, bool randomEffect, Random& random);

// One copy of the effect, as the loops compute it: fractional for the half
// pixels of effects 3 and 4, and possibly reaching past the picture (blinds).
struct StepRect {
  double x = 0, y = 0, w = 0, h = 0;
  friend bool operator==(const StepRect&, const StepRect&) = default;
};

struct PixelRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool empty() const { return w <= 0 || h <= 0; }
  std::int64_t area() const { return empty() ? 0 : std::int64_t{w} * h; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct EffectSteps {
  std::vector<StepRect> steps;  // in drawing order, one per copy
  // Effects 3 to 5 keep a height in 16 bits: a picture more than 32767 pixels
  // high is an error (the missing-picture exit) and draws nothing.
  bool overflow = false;
};

// Every copy of `effect` on a width x height picture, in order. Only the
// stepped effects (wipes and blinds) have any.
EffectSteps effectSteps(int effect, int width, int height);

// Whole pixels of a step: a fractional edge moves outwards (left and top
// down, right and bottom up), so a copy covers every pixel its rectangle
// touches; then clipped to the picture. The growing bands of effects 3 and 4
// thus stay centred and reach both edges on the same step.
PixelRect toPixels(const StepRect& step, int width, int height);

// The steps of an effect spread over display frames. Frame k (1-based) shows
// the picture as it stands after `stepsAfter[k - 1]` steps, and draws only
// what those steps added since the previous frame: disjoint rectangles whose
// union over all frames is exactly what the steps reveal.
struct EffectPlan {
  int effect = -1;
  int width = 0;
  int height = 0;
  bool overflow = false;  // see EffectSteps; play nothing, take the error exit
  std::int64_t steps = 0;
  double seconds = 0;  // intended duration

  std::vector<PixelRect> rects;
  std::vector<std::size_t> frameEnds;    // frame k's rects end at frameEnds[k]
  std::vector<std::int64_t> stepsAfter;  // steps shown once frame k is drawn

  std::size_t frameCount() const { return frameEnds.size(); }
  std::span<const PixelRect> frame(std::size_t k) const;  // 0-based
};

// 1.5 ms per step, no shorter than 0.6 s and no longer than 2 s.
double effectSeconds(std::int64_t steps);

// `refreshHz` is the display's refresh rate; 60 when not positive.
EffectPlan planEffect(int effect, int width, int height, double refreshHz);

// Blocks until the next display frame. Nothing else may run meanwhile: an
// implementation must not dispatch messages.
class FrameWaiter {
 public:
  virtual ~FrameWaiter() = default;
  virtual void begin() {}  // the effect's first frame is being drawn now
  virtual void waitForNextFrame() = 0;
  // Input is waiting (a key, a button, the pointer): the effect stops so
  // that it is handled at once, and the commit shows the whole picture.
  virtual bool inputWaiting() { return false; }
};

class RectCopier {
 public:
  virtual ~RectCopier() = default;
  // Copies the rectangle from the source to the same place on the target;
  // false when it did not reach the target (nothing depends on it).
  virtual bool copy(const PixelRect& rect) = 0;
  // A frame's copies are done: push them out before the wait.
  virtual void endFrame() {}
};

// Draws the plan frame by frame, waiting for the display between frames. A
// copy that fails is skipped, as the commit afterwards shows the whole
// picture anyway; when input is waiting the rest is left to the commit.
// False only when the plan overflows (the caller's missing-picture exit).
bool playPlan(const EffectPlan& plan, RectCopier& copier, FrameWaiter& waiter);

// Several plans at once (a picture on each monitor), in the same display
// frames: frame k of every plan that has one, then one wait. When any plan
// overflows nothing is drawn and its index is returned.
struct PlanOnTarget {
  const EffectPlan* plan;
  RectCopier* copier;
};
std::optional<std::size_t> playPlans(std::span<const PlanOnTarget> plans, FrameWaiter& waiter);

// The crossfade runs by the clock, not by steps: a frame shows the mix due
// at the moment it is drawn, so on a busy machine frames drop and the fade
// still ends on time.
inline constexpr double kCrossfadeSeconds = 1.0;

// The new picture's weight (0..256) `elapsed` seconds into the fade.
int fadeWeight(double elapsed);

class FadeTarget {
 public:
  virtual ~FadeTarget() = default;
  // Every monitor's mix at `weight`, drawn and pushed out.
  virtual void drawFade(int weight) = 0;
  // Half way: the captions change now, before this frame is drawn.
  virtual void halfway() {}
};

struct FadeRun {
  int frames = 0;
  bool interrupted = false;  // input ended it; the commit shows the new picture
};

// Draws frames until the fade's time is up (the last frame all new, the one
// that ends nearest that time), one a display frame; waiting input ends it
// after the frame drawn.
FadeRun playFade(FadeTarget& target, FrameWaiter& waiter, const Clock& clock);

}  // namespace lumova::effects
