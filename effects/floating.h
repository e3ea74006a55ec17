// Floating pictures: each moves diagonally by a fixed step at every motion
// tick and bounces off its monitor's edges, the caption band counting as
// the top edge.
#pragma once

#include "common/units.h"

namespace lumova {
class Random;
}

namespace lumova::effects {

inline constexpr double kFloatStepTwips = 15;

struct FloatStep {
  double x = 0;
  double y = 0;
};

// A direction drawn at random: each axis forwards or back.
FloatStep randomFloatStep(Random& random);

// One tick: the step turns on an axis where the picture stands past an
// edge, then the picture moves by it.
void floatOnce(TwipRect& picture, FloatStep& step, double captionHeight, TwipSize screen);

}  // namespace lumova::effects
