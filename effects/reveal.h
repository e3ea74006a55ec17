// The frame side of the effects' players: a plan's steps grow a picture
// layer's clip and draw each frame through the renderer; a fade's frames and
// its half way are handed to whoever draws them.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <variant>

#include "effects/frame.h"
#include "effects/transitions.h"

namespace lumova::effects {

// Plays a reveal's steps into its layer's clip, one frame of the plan at a time.
class ClipReveal final : public RectCopier {
 public:
  ClipReveal(Renderer& renderer, Frame& frame, PictureLayer& layer, std::size_t at)
      : renderer_(renderer), frame_(frame), layer_(layer), at_(at) {}
  bool copy(const PixelRect& r) override {
    const Rect& at = layer_.rect;
    const Rect placed =
        intersection({at.left + r.x, at.top + r.y, at.left + r.x + r.w, at.top + r.y + r.h}, layer_.keepIn);
    if (placed.empty()) return true;  // nothing of it shows
    layer_.clip.push_back(placed);
    frame_.damage.push_back(placed);
    return true;
  }
  void endFrame() override {
    std::get<PictureLayer>(frame_.layers[at_]).clip = layer_.clip;
    renderer_.draw(frame_);
    renderer_.present();
    frame_.damage.clear();
  }

 private:
  Renderer& renderer_;
  Frame& frame_;
  PictureLayer& layer_;
  std::size_t at_;
};

class FadeCalls final : public FadeTarget {
 public:
  FadeCalls(std::function<void(int)> draw, std::function<void()> halfway)
      : draw_(std::move(draw)), halfway_(std::move(halfway)) {}
  void drawFade(int weight) override { draw_(weight); }
  void halfway() override { halfway_(); }

 private:
  std::function<void(int)> draw_;
  std::function<void()> halfway_;
};

}  // namespace lumova::effects
