// The frame side of the effects' players: a plan's steps grow a picture
// layer's clip and draw each frame through the renderer; a fade's frames and
// its half way are handed to whoever draws them.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>
#include <variant>

#include "effects/frame.h"
#include "effects/transitions.h"

namespace lumova::effects {

// Plays a reveal's steps into its layers' clips, one frame of the plan at a
// time: the plan's rectangles are laid at `area`, and each layer shows what
// is revealed within what it shows of itself.
class ClipReveal final : public RectCopier {
 public:
  ClipReveal(Renderer& renderer, Frame& frame, Rect area, std::vector<PictureLayer>& layers,
             std::vector<Rect>& revealed, std::size_t at)
      : renderer_(renderer), frame_(frame), area_(area), layers_(layers), revealed_(revealed), at_(at) {}
  bool copy(const PixelRect& r) override {
    const Rect placed = intersection({area_.left + r.x, area_.top + r.y, area_.left + r.x + r.w, area_.top + r.y + r.h},
                                     layers_.back().keepIn);
    if (placed.empty()) return true;  // nothing of it shows
    revealed_.push_back(placed);
    frame_.damage.push_back(placed);
    return true;
  }
  void endFrame() override {
    showRevealed(frame_, layers_, revealed_, at_);
    renderer_.draw(frame_);
    renderer_.present();
    frame_.damage.clear();
  }
  static void showRevealed(Frame& frame, const std::vector<PictureLayer>& layers, const std::vector<Rect>& revealed,
                           std::size_t at) {
    for (std::size_t k = 0; k < layers.size(); ++k) {
      const std::vector<Rect>& own = layers[k].clip;
      std::vector<Rect> clip;
      for (const Rect& c : revealed)
        if (own.empty())
          clip.push_back(c);
        else if (const Rect in = intersection(c, own.front()); !in.empty())
          clip.push_back(in);
      // Nothing of it shows before its first step.
      if (clip.empty()) clip.emplace_back();
      std::get<PictureLayer>(frame.layers[at + k]).clip = std::move(clip);
    }
  }

 private:
  Renderer& renderer_;
  Frame& frame_;
  Rect area_;
  std::vector<PictureLayer>& layers_;
  std::vector<Rect>& revealed_;
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
