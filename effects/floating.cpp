#include "effects/floating.h"

#include <cmath>

#include "common/random.h"

namespace lumova::effects {

FloatStep randomFloatStep(Random& random) {
  const double r1 = random.next();
  const double r2 = random.next();
  return {std::floor(2 * r1) == 1 ? -kFloatStepTwips : kFloatStepTwips,
          std::floor(2 * r2) == 1 ? -kFloatStepTwips : kFloatStepTwips};
}

void floatOnce(TwipRect& picture, FloatStep& step, double captionHeight, TwipSize screen) {
  if (picture.left < 0 || picture.left + picture.width > screen.width) step.x = -step.x;
  if (picture.top < captionHeight || picture.top + picture.height > screen.height) step.y = -step.y;
  picture.left += step.x;
  picture.top += step.y;
}

}  // namespace lumova::effects
