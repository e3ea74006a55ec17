// What the slideshow logic asks of the saver window and of each monitor's
// part of it. Positions and sizes are in twips (15 to a pixel at 96 DPI)
// relative to a monitor's top-left corner; the window turns them into pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/picture.h"
#include "common/units.h"
#include "effects/pan_zoom.h"

namespace lumova::saver {

struct CaptionFont {
  std::string name;
  double size = 0;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
};

using lumova::TwipRect;
using lumova::TwipSize;

// One monitor's slideshow: its picture surfaces and its caption label.
// Positions and sizes are in twips relative to the monitor's top-left
// corner, at the monitor's own pixel size.
class MonitorView {
 public:
  virtual ~MonitorView() = default;

  // The monitor's size, in twips, and the size of one of its pixels.
  virtual double screenWidth() const = 0;
  virtual double screenHeight() const = 0;
  virtual double twipsPerPixelX() const = 0;
  virtual double twipsPerPixelY() const = 0;

  // The caption label. Its font's points follow the monitor's DPI. Setting
  // its text fits the label to it and returns the fitted size.
  virtual void setCaptionFont(const CaptionFont& font) = 0;
  virtual void setCaptionColor(std::uint32_t rgb) = 0;
  virtual void setCaptionTop(double twips) = 0;
  virtual void setCaptionVisible(bool visible) = 0;
  virtual TwipSize setCaptionText(const std::string& text) = 0;
  // The height of a caption's one line in the caption font.
  virtual double captionLineHeight() const = 0;
  virtual void setCaptionGeometry(double left, double width, double height) = 0;

  // The picture surfaces: the hidden source holds the loaded picture; the
  // visible surface shows it. Clearing paints both in their background.
  virtual void clearPictures() = 0;
  virtual void setSourcePicture(PicturePtr picture) = 0;
  // A blurred, dimmed copy of the source that fills the monitor around it
  // (null: none). Set after the source, it is revealed, faded, committed
  // and hidden with it.
  virtual void setSourceSurround(PicturePtr surround) = 0;
  // Two pictures side by side: the source stands in the left half of the
  // monitor and this one, with its own surround (or null), at `r` in the
  // right; each surround fills its half. Set after the source (which clears
  // it), it is revealed, faded, committed and hidden with it.
  virtual void setSourcePartner(PicturePtr picture, PicturePtr surround, const TwipRect& r) = 0;
  // The partner's caption label: its text, fitted as setCaptionText does,
  // and where it stands; it shows with the caption, in its style, at its top.
  virtual TwipSize setPartnerCaptionText(const std::string& text) = 0;
  virtual void setPartnerCaptionGeometry(double left, double width, double height) = 0;
  virtual void setPictureVisible(bool visible) = 0;
  virtual void setPictureRect(const TwipRect& r) = 0;
  // The visible surface keeps the source's picture from now on.
  virtual void commitPicture() = 0;
  // Pan and zoom: the source (set just before) is drawn along `path` over
  // the whole monitor, one step a display frame once it is committed, its
  // progress timed over `displaySeconds` (panZoomProgress). Until then the
  // source is its first frame, for the transition to reveal.
  virtual void setPanZoom(const effects::PanZoomPath& path, double displaySeconds) = 0;

  // The show paused: the pan and zoom holds where it is (a picture set
  // meanwhile holds at its start) and a small pause mark shows in a corner
  // for kPauseMarkSeconds; resumed, the pan and zoom goes on from there.
  virtual void setPaused(bool paused) = 0;
  // A line of details at the bottom of the monitor, over a dark band, in
  // the caption's font at a smaller size; empty: none.
  virtual void setDetails(const std::string& text) = 0;
  // A panning picture (committed or waiting for its commit) stands still
  // from now on, shown whole and centred.
  virtual void holdPanZoom() = 0;

  // The clock, in the caption's font and colour at clockPoints() of its
  // size, with a shadow: the size `text` takes, and the text shown at
  // `where`, over everything else on the monitor (empty text: none).
  virtual TwipSize clockSize(const std::string& text) = 0;
  virtual void setClock(const std::string& text, const TwipRect& where) = 0;
};

inline constexpr double kPauseMarkSeconds = 1.5;

// The saver window over every monitor.
class SaverView {
 public:
  virtual ~SaverView() = default;

  // Background: a plain colour for the window and every picture surface, or
  // the desktop as it is now (the window is not visible yet), kept for the run.
  virtual void setBackColor(std::uint32_t rgb) = 0;
  virtual void snapshotDesktop() = 0;

  // The monitors as they are now, at least one: the primary is monitor 0,
  // then by position, left to right, top to bottom. A display change may
  // change their number between two calls.
  virtual std::size_t monitorCount() const = 0;
  virtual MonitorView& monitor(std::size_t index) = 0;

  // Reveals the sources of the first effects.size() monitors in the same
  // display frames, monitor i with effect effects[i] (1..7; 0: none). The
  // monitor whose picture could not be revealed in a way that must end the
  // slideshow, if any.
  virtual std::optional<std::size_t> playEffects(const std::vector<int>& effects) = 0;

  // Dissolves what the first to.size() monitors show now into their source
  // pictures placed at `to` (as setPictureRect takes it), all in the same
  // display frames and for kCrossfadeSeconds by the clock; where the two
  // differ in size the old one dissolves into the background. `halfway`
  // runs once, half way through. Afterwards each monitor shows its source
  // at its place, visible, as if committed there.
  virtual void playCrossfade(const std::vector<TwipRect>& to, const std::function<void()>& halfway) = 0;

  // Closes the window (before the missing-picture message).
  virtual void unload() = 0;

  // The display is off: nothing the window draws by itself (pan and zoom's
  // frames) runs, and nothing keeps the processor awake, until it is on again.
  virtual void setDisplayAsleep(bool asleep) = 0;
};

// The saver window as input handling drives it when the password prompt
// comes and goes.
class SaverWindowControl {
 public:
  virtual ~SaverWindowControl() = default;
  // Shown, modeless.
  virtual void show() = 0;
  // Disabled, the window and its picture surface get no keyboard or mouse
  // input; its timers keep running either way.
  virtual void setInputEnabled(bool enabled) = 0;
};

// Lets pending events run (timer ticks, input, paints) for at most
// `maxSeconds`, returning early once the queue is empty and the time is up.
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void pumpFor(double maxSeconds) = 0;
};

}  // namespace lumova::saver
