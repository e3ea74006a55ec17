// What a frame of the saver window is made of, as plain values, and the
// renderer that draws it. The window and the effects describe frames; a
// renderer (Direct3D or GDI) draws them, so that neither knows which one does.
//
// Coordinates are the window's client pixels; the window covers every
// monitor, and each layer keeps to its own.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/picture.h"
#include "effects/blend.h"

namespace lumova::effects {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};
// Empty when the two do not meet.
Rect intersection(const Rect& a, const Rect& b);
// `inner` is not empty and lies wholly inside `outer`.
bool contains(const Rect& outer, const Rect& inner);
// The parts of `from` outside `cut`: up to four rectangles, appended.
void appendDifference(const Rect& from, const Rect& cut, std::vector<Rect>& out);

struct PictureLayer;
// What of a picture layer shows inside `area`: its rectangle within its
// monitor, cut to its clip when it has one; none of them empty.
std::vector<Rect> shownParts(const PictureLayer& layer, const Rect& area);

// A picture handed to a renderer once, drawn by its id until released.
using PictureId = std::uint32_t;
inline constexpr PictureId kNoPicture = 0;

// The part of a picture, in its own fractional pixels, that a layer's
// rectangle shows (pan and zoom). Where it reaches past the picture's edges
// the layer shows its fill colour.
struct SourceArea {
  double x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const SourceArea&, const SourceArea&) = default;
};

struct PictureLayer {
  Rect rect;                       // where the picture stands
  Rect keepIn;                     // its monitor: nothing of it shows outside
  PictureId picture = kNoPicture;  // none: the layer is its fill colour
  std::uint32_t fill = 0;          // RGB, red in the low byte
  // None: the picture's pixels one for one from its top-left corner.
  std::optional<SourceArea> source;
  // Empty: the whole rectangle shows; otherwise only what lies inside these
  // (a wipe or the blinds, part way).
  std::vector<Rect> clip;
  friend bool operator==(const PictureLayer&, const PictureLayer&) = default;
};

struct TextFont {
  std::string face;  // UTF-8; empty: the system's default interface font
  long height = 0;   // pixels; negative for the character height, as LOGFONT takes it
  bool bold = false, italic = false, underline = false, strikethrough = false;
  friend bool operator==(const TextFont&, const TextFont&) = default;
};

// One line of text centred at the top of its rectangle, drawn over what is
// under it; nothing of it shows outside the rectangle or its monitor.
struct CaptionLayer {
  Rect rect;
  Rect keepIn;
  std::string text;  // UTF-8
  TextFont font;
  std::uint32_t colour = 0;  // RGB, red in the low byte
  friend bool operator==(const CaptionLayer&, const CaptionLayer&) = default;
};

// One line of text centred in its rectangle over a soft shadow of `shadow`
// that reaches `blur` pixels around the glyphs; the rectangle holds both,
// and everything of it stays inside (the clock).
struct ShadowedTextLayer {
  Rect rect;
  Rect keepIn;
  std::string text;  // UTF-8
  TextFont font;
  std::uint32_t colour = 0;  // RGB, red in the low byte
  std::uint32_t shadow = 0;
  int blur = 0;
  friend bool operator==(const ShadowedTextLayer&, const ShadowedTextLayer&) = default;
};

using Layer = std::variant<PictureLayer, CaptionLayer, ShadowedTextLayer>;
// Where a layer can show at all: its rectangle within its monitor.
Rect boundsOf(const Layer& layer);

// Under every layer: a colour, and over it, when there is one, a picture
// (the desktop as it was) with its top-left corner at (x, y).
struct Background {
  std::uint32_t colour = 0;
  PictureId picture = kNoPicture;
  int x = 0, y = 0;
  friend bool operator==(const Background&, const Background&) = default;
};

struct Frame {
  Background background;
  std::vector<Layer> layers;  // bottom first
  // A crossfade: the look it comes from (over the same background) and the
  // weight of `layers` over it, 0..kWeightOne; kWeightOne is `layers` alone.
  std::vector<Layer> fadingFrom;
  int weight = kWeightOne;
  std::vector<Layer> over;  // over the mix, not mixed (the captions during a fade)
  // What the renderer must draw; the rest of the screen shows what it did.
  std::vector<Rect> damage;
};

struct TextExtent {
  int width = 0;
  int lineHeight = 0;
};

class Renderer {
 public:
  virtual ~Renderer() = default;
  // kNoPicture when the renderer cannot draw it.
  virtual PictureId addPicture(PicturePtr picture) = 0;
  virtual void releasePicture(PictureId id) = 0;
  // Draws the frame's damage (not shown until present()).
  virtual void draw(const Frame& frame) = 0;
  // Everything drawn since the last present reaches the screen.
  virtual void present() = 0;
  // How wide `text` is in `font`, and the font's line height.
  virtual TextExtent measureText(const TextFont& font, const std::string& text) = 0;
  // Draws on the graphics card: a frame costs little however much of the
  // screen changes, so motion can step at every display refresh.
  virtual bool drawsOnCard() const { return false; }
};

// A picture handed to a renderer; the last copy releases it. The renderer
// must outlive every handle.
using PictureHandle = std::shared_ptr<const PictureId>;
PictureHandle handOver(Renderer& renderer, PicturePtr picture);  // null for no picture
inline PictureId idOf(const PictureHandle& handle) { return handle ? *handle : kNoPicture; }

}  // namespace lumova::effects
