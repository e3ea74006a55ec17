// Pan and zoom: a picture that covers its monitor moves slowly across it,
// zooming between 100 % and 115 % of its size there and drifting toward a
// point drawn at random, never showing past its own edges. A picture that
// covering would cut too much of is shown whole instead, and only zooms.
#pragma once

#include <cstdint>
#include <vector>

#include "common/picture.h"
#include "effects/blend.h"
#include "effects/frame.h"

namespace lumova {
class Random;
}

namespace lumova::effects {

inline constexpr double kPanZoomMostZoom = 1.15;
// With no changes, the motion goes there and back in cycles of this long.
inline constexpr double kPanZoomCycleSeconds = 20;
// Covering may cut off at most this share of the picture.
inline constexpr double kPanZoomMostCut = 1.0 / 3;

struct PanZoomPath {
  PictureSize picture;   // as loaded
  PictureSize screen;    // the monitor, in pixels
  double baseScale = 1;  // 100 %: covering the screen, or fitted whole
  bool fitted = false;   // shown whole, centred: only zooms
  bool zoomIn = true;    // 100 % to 115 %, else back
  // Where the view stands in the room it has across and down, 0..1, at the
  // start and the end.
  double fromX = 0.5, fromY = 0.5, toX = 0.5, toY = 0.5;
};

// A new path for a picture: four random values for the start and the end
// point and one for the zoom's direction.
PanZoomPath planPanZoom(PictureSize picture, PictureSize screen, Random& random);

// How far along its path a picture is `seconds` after it was revealed, 0..1:
// across its display time, or there and back in 20 s cycles without one.
double panZoomProgress(double seconds, double displaySeconds);

// Drawn by the processor, the motion steps on display frames about 30
// times a second, never fewer: every frame below 60 Hz, every second one at
// 59.94 to 89 Hz, every fourth at 120 or 144 Hz (faster would cost a core's
// share twice over). Drawn on the graphics card, where a frame costs next
// to nothing, it steps at every frame.
int panZoomFramesPerStep(double refreshHz, bool onCard);

// Where the picture lies on the screen at `progress`: its top-left corner in
// screen pixels (fractional) and its scale.
struct PanZoomPlace {
  double left = 0, top = 0, scale = 1;
};
PanZoomPlace panZoomPlace(const PanZoomPath& path, double progress);
// The picture shown whole and centred, standing still (on battery).
PanZoomPlace fittedPlace(PictureSize picture, PictureSize screen);

// A place on a screen as the part of the picture the screen shows, and back.
SourceArea sourceAreaOf(const PanZoomPlace& place, PictureSize screen);
PanZoomPlace placeOf(const SourceArea& source, PictureSize screen);

// Draws a picture at a place, sub-pixel exact (bilinear, pixel centres
// mapped onto pixel centres, the edge pixels repeated outwards); what it
// does not cover takes `background`. Rows are top-down, without padding.
class PanZoomDrawer {
 public:
  explicit PanZoomDrawer(PixelRows rows) : rows_(rows) {}
  void draw(const std::uint32_t* picture, PictureSize pictureSize, const PanZoomPlace& place, std::uint32_t* screen,
            PictureSize screenSize, std::uint32_t background);

 private:
  PixelRows rows_;
  std::vector<SamplePoint> columns_;  // kept between frames: no allocation per frame
  std::vector<std::uint32_t> mixed_;
};

}  // namespace lumova::effects
