#include "effects/pan_zoom.h"

#include <algorithm>
#include <cmath>

#include "common/random.h"

namespace lumova::effects {

PanZoomPath planPanZoom(PictureSize picture, PictureSize screen, Random& random) {
  PanZoomPath path;
  path.picture = {std::max(picture.width, 1), std::max(picture.height, 1)};
  path.screen = {std::max(screen.width, 1), std::max(screen.height, 1)};
  const double across = double(path.screen.width) / path.picture.width;
  const double down = double(path.screen.height) / path.picture.height;
  const double cover = std::max(across, down), fit = std::min(across, down);
  // Covering shows fit / cover of the picture's longer way.
  path.fitted = 1 - fit / cover > kPanZoomMostCut;
  path.baseScale = path.fitted ? fit : cover;
  path.fromX = random.next();
  path.fromY = random.next();
  path.toX = random.next();
  path.toY = random.next();
  path.zoomIn = random.next() < 0.5;
  return path;
}

double panZoomProgress(double seconds, double displaySeconds) {
  if (!(seconds > 0)) return 0;
  if (displaySeconds > 0) return std::min(seconds / displaySeconds, 1.0);
  const double cycles = seconds / kPanZoomCycleSeconds;
  const double phase = cycles - 2 * std::floor(cycles / 2);  // 0..2
  return phase <= 1 ? phase : 2 - phase;
}

int panZoomFramesPerStep(double refreshHz, bool onCard) {
  // 29.9 rather than 30: the NTSC rates (59.94, 119.88 Hz) count as 60 and 120.
  if (onCard || !(refreshHz > 0)) return 1;
  return std::clamp(static_cast<int>(refreshHz / 29.9), 1, 8);
}

PanZoomPlace fittedPlace(PictureSize picture, PictureSize screen) {
  const double w = std::max(picture.width, 1), h = std::max(picture.height, 1);
  PanZoomPlace place;
  place.scale = std::min(screen.width / w, screen.height / h);
  place.left = (screen.width - w * place.scale) / 2;
  place.top = (screen.height - h * place.scale) / 2;
  return place;
}

PanZoomPlace panZoomPlace(const PanZoomPath& path, double progress) {
  progress = std::clamp(progress, 0.0, 1.0);
  const double zoom =
      path.zoomIn ? 1 + (kPanZoomMostZoom - 1) * progress : kPanZoomMostZoom - (kPanZoomMostZoom - 1) * progress;
  PanZoomPlace place;
  place.scale = path.baseScale * zoom;
  const double width = path.picture.width * place.scale, height = path.picture.height * place.scale;
  const double spareX = path.screen.width - width, spareY = path.screen.height - height;
  if (path.fitted) {
    place.left = spareX / 2;
    place.top = spareY / 2;
    return place;
  }
  // Covering, the spare room is never positive: the picture's edges stay
  // outside the screen wherever it stands in it.
  const double u = path.fromX + (path.toX - path.fromX) * progress;
  const double v = path.fromY + (path.toY - path.fromY) * progress;
  place.left = std::min(spareX, 0.0) * u;
  place.top = std::min(spareY, 0.0) * v;
  return place;
}

SourceArea sourceAreaOf(const PanZoomPlace& place, PictureSize screen) {
  return {-place.left / place.scale, -place.top / place.scale, screen.width / place.scale, screen.height / place.scale};
}

PanZoomPlace placeOf(const SourceArea& source, PictureSize screen) {
  const double scale = source.width > 0 ? screen.width / source.width : 0;
  return {-source.x * scale, -source.y * scale, scale};
}

namespace {

struct Sample {
  int index;   // the first of the two pixels
  int weight;  // of the second, 0..256
};

// The picture pixel under the centre of screen pixel `at`, clamped to the
// picture so that edge pixels repeat.
Sample sampleAt(int at, double origin, double scale, int size) {
  double p = (at + 0.5 - origin) / scale - 0.5;
  p = std::clamp(p, 0.0, double(size - 1));
  const int index = static_cast<int>(p);
  return {index, static_cast<int>(std::lround((p - index) * kWeightOne))};
}

// Screen pixels [first, last) whose centres the picture covers.
void coveredSpan(double origin, double length, int size, int& first, int& last) {
  first = std::clamp(static_cast<int>(std::ceil(origin - 0.5)), 0, size);
  last = std::clamp(static_cast<int>(std::ceil(origin + length - 0.5)), first, size);
}

}  // namespace

void PanZoomDrawer::draw(const std::uint32_t* picture, PictureSize pictureSize, const PanZoomPlace& place,
                         std::uint32_t* screen, PictureSize screenSize, std::uint32_t background) {
  const int pw = pictureSize.width, ph = pictureSize.height, sw = screenSize.width, sh = screenSize.height;
  if (pw <= 0 || ph <= 0 || sw <= 0 || sh <= 0 || !(place.scale > 0)) return;
  int x0, x1, y0, y1;
  coveredSpan(place.left, pw * place.scale, sw, x0, x1);
  coveredSpan(place.top, ph * place.scale, sh, y0, y1);

  // The columns' weights once a frame; the picture columns they reach.
  columns_.resize(static_cast<std::size_t>(std::max(x1 - x0, 0)));
  int firstColumn = pw, lastColumn = 0;
  for (int x = x0; x < x1; ++x) {
    const Sample s = sampleAt(x, place.left, place.scale, pw);
    columns_[static_cast<std::size_t>(x - x0)] = {s.index, s.weight};
    firstColumn = std::min(firstColumn, s.index);
    lastColumn = std::max(lastColumn, s.index);
  }
  // One row of the picture mixed between its two rows, with the last pixel
  // repeated so that every column has a right-hand neighbour and the wide
  // loops their reach.
  mixed_.resize(static_cast<std::size_t>(pw) + kSampleReach);
  for (auto& c : columns_) c.x -= firstColumn;
  const int span = x1 > x0 ? lastColumn - firstColumn + 1 : 0;

  for (int y = 0; y < sh; ++y) {
    std::uint32_t* out = screen + static_cast<std::size_t>(y) * sw;
    if (y < y0 || y >= y1) {
      std::fill(out, out + sw, background);
      continue;
    }
    std::fill(out, out + x0, background);
    std::fill(out + x1, out + sw, background);
    const Sample s = sampleAt(y, place.top, place.scale, ph);
    const std::uint32_t* upper = picture + static_cast<std::size_t>(s.index) * pw;
    const std::uint32_t* lower = picture + static_cast<std::size_t>(std::min(s.index + 1, ph - 1)) * pw;
    rows_.blend(upper + firstColumn, lower + firstColumn, mixed_.data(), span, s.weight);
    std::fill_n(mixed_.begin() + span, kSampleReach, mixed_[static_cast<std::size_t>(span > 0 ? span - 1 : 0)]);
    rows_.sample(mixed_.data(), columns_.data(), out + x0, x1 - x0);
  }
}

}  // namespace lumova::effects
