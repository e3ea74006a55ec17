// The full-screen saver's show: start-up, then, driven by its timers, the
// slideshow on each monitor in use: when pictures change, showing them
// through their effect, their captions, the floating motion, the clock and
// the one error exit; nothing while the display is off, and still pictures
// on battery when asked; and, when the settings ask for it, the keys that
// step back and forth, pause, show details and hide pictures for good.
// Which pictures come is the slide order's.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/picture.h"
#include "common/timers.h"
#include "effects/floating.h"
#include "saver/auto_caption.h"
#include "saver/hidden_pictures.h"
#include "saver/clock_face.h"
#include "saver/picture_sequence.h"
#include "saver/power_state.h"
#include "saver/run_state.h"
#include "saver/saver_options.h"
#include "saver/saver_view.h"
#include "saver/slide_order.h"
#include "saver/steering.h"

namespace lumova {
class Clock;
class Host;
class MessageBoxes;
class Random;
struct Protection;
namespace settings {
class FileStore;
}
}  // namespace lumova

namespace lumova::saver {

struct SlideshowDeps {
  SaverView& view;
  EventPump& events;
  Host& host;
  Timers& timers;
  const Clock& clock;
  Random& random;
  PictureLoader& pictures;
  MessageBoxes& messages;
  Protection& protection;
  settings::FileStore& files;
  std::string exeFolder;  // where zbfaone.ini lives
  // Told the pictures that will be shown next, one for each monitor in use,
  // as soon as they are known, so they can be decoded (and fitted) ahead of
  // time. May be empty.
  std::function<void(const std::vector<PictureRequest>&)> prefetch;
  // A picture's size upright (after its orientation mark), when known,
  // for monitors of both shapes to prefer pictures of their own. May be empty.
  std::function<std::optional<PictureSize>(const std::string&)> uprightSize = {};
  // The system's random source, for the shuffled order; `random` when null.
  Random* orderRandom = nullptr;
  // Where the shuffled order's state and the hidden pictures are saved (a
  // store that saves on a worker, so the flush holds up no change); `files`
  // when null.
  settings::FileStore* stateFiles = nullptr;
  // Scans the folders of the settings; may be null (no folder is scanned).
  FolderSource* folders = nullptr;
};

inline constexpr std::uint32_t kStartupDelayMs = 500;
inline constexpr std::uint32_t kChangeHoldMs = 60000;
inline constexpr double kRevealPauseSeconds = 0.3;
inline constexpr double kCaptionExtraWidthTwips = 200;
// Nothing to show: said in the caption band, and the folders tried again.
inline constexpr const char* kNoPicturesFound = "No pictures found in ";
inline constexpr std::uint32_t kNothingRetryMs = 30000;
// Folder pictures that cannot be shown are passed over a few a tick; the
// change goes on this soon after, input handled in between. The folders'
// first pictures start the slideshow as soon, from the timer.
inline constexpr std::size_t kSkipsPerTick = 4;
inline constexpr std::uint32_t kSoonMs = 50;

// left/top of something `size` long centred in `space`: the difference
// rounded (halves to even), then halved, dropping the remainder.
double centredOffset(double space, double size);

// The room a picture shrunk to fit may take on a monitor of `monitor`
// pixels: all of it; for a picture with a caption, less the caption band at
// the top and as much at the bottom, so the caption never covers it and it
// stays centred; for a floating picture three quarters of that across and
// down, so it still has room to float.
PictureSize pictureRoom(PictureSize monitor, int captionBand, bool captioned, bool floating);

class Slideshow final : public ShowSteering {
 public:
  explicit Slideshow(SlideshowDeps deps);

  // Reads every setting, styles the caption, sets the system lock when
  // protection asks for it, prepares the background and arms the start-up
  // timer.
  void start();

  // A timer's tick. An error that nothing else caught, inside a picture
  // change, takes the missing-picture exit; elsewhere it goes on to the
  // caller.
  void onTimer(TimerId id);
  void onStartupTick();
  void onChangeTick();
  void onMotionTick();
  void onClockTick();
  // The display went off, came on or was dimmed; news may repeat and come
  // in any order. Off, nothing is drawn and no timer runs; on again (or
  // dimmed), the show goes on with the next picture at once.
  void displayPowerChanged(DisplayPower power);
  // What the system runs on, as it changes: on battery with stillOnBattery,
  // panning and floating pictures stand still, centred.
  void powerSourceChanged(PowerSource source);
  // The monitors changed (the view's already stand in their new places): a
  // monitor added takes the next picture of the sequence at once, whether
  // or not pictures change; one taken away takes its slideshow with it.
  void displayChanged();

  // What the folder scan found, in order, and its end; on the window's
  // thread. The first pictures found start a slideshow that waits for them.
  void foldersFound(std::vector<std::string> pictures);
  void foldersScanned();

  // A key while the show runs unprompted. A key that comes while a change
  // runs is taken once the change has ended.
  bool steer(const KeyPress& key) override;

  // One monitor's slideshow: the picture it shows, where, its caption's
  // height and its floating direction.
  struct Slide {
    std::int32_t image = -1;
    // Two portrait pictures side by side: the second, -1 for none, and where
    // it stands; the first stands in the left half.
    std::int32_t partner = -1;
    TwipRect partnerPicture;
    TwipRect picture;
    double captionHeight = 0;
    effects::FloatStep step;
    std::optional<PictureSize> pixels;  // its size, when it was loaded at its own
  };

  RunState& state() { return state_; }
  const RunState& state() const { return state_; }
  // The listed pictures and those of the folders, in the order shown.
  const PictureSequence& sequence() const { return order_.sequence(); }
  // The slideshows, the primary monitor's first.
  const std::vector<Slide>& slides() const { return slides_; }
  const HiddenPictures& hidden() const { return hidden_; }

 private:
  // How a change's pictures came out: all shown, to be continued at the
  // next tick, or none (the error exit, or nothing to show).
  enum class Outcome { Done, Later, Failed };

  std::size_t monitorsInUse() const;
  // Pictures stand still on battery; floating and panning then follow it.
  bool still() const { return options_.stillOnBattery && onBattery_; }
  bool floats() const { return !options_.centred && !options_.panZoom && !still(); }
  bool pans() const { return options_.panZoom && !still(); }
  // Timers run only while the display is on; waking arms what is due.
  void arm(TimerId id, std::uint32_t intervalMs);
  void wake();
  std::uint32_t motionInterval() const { return options_.motionIntervalMs.value_or(kDefaultMotionIntervalMs); }
  // The floating pictures in the middle of their monitors (on battery).
  void centreSlides();
  // The caption's place on a monitor, which the clock keeps clear of.
  void setCaptionGeometry(std::size_t monitor, double left, double width, double height);
  void showClock();
  void placeClock(std::size_t monitor);
  // The first pictures are on the screen.
  bool started() const { return state_.phase() == ShowPhase::Showing || state_.phase() == ShowPhase::Changing; }
  // The change timer and the motion timer as the show stands: off while paused.
  void armChange();
  void armMotion();
  // A change of pictures: `step` 1 the next (ahead in the history first,
  // then the order's), -1 the one before, from the history.
  void changePictures(int step);
  // Aims the change at the history's next entry in that direction with a
  // picture still to show; false when there is none before.
  bool aimInHistory(int step);
  void recordShown();
  void act(Steer what);
  void takeWaitingKeys();
  void pause(bool on);
  void hideShown();
  void showDetails(std::size_t monitor);
  bool isHidden(std::int32_t image) const;
  settings::FileStore& stateFiles() { return d_.stateFiles ? *d_.stateFiles : d_.files; }
  // The pictures of the next change, one for each monitor in use, drawn in
  // monitor order, and prefetched.
  void drawUpcoming();
  Outcome showPictures();
  bool crossfadeTo();
  bool pauseAndReveal();
  // Loads slide `monitor`'s picture into that monitor's hidden source,
  // centred; failed once the missing-picture exit is taken or nothing can
  // be shown. For a crossfade the picture on screen and its caption stay
  // until the fade.
  Outcome loadSlide(std::size_t monitor, bool fade = false);
  void placeSlide(std::size_t monitor, const PictureLoad& loaded, const PictureLoad* partner = nullptr);
  // Slide `monitor`'s partner loaded, or nothing when it shows alone; failed
  // once the missing-picture exit is taken.
  Outcome loadPartner(std::size_t monitor, PictureLoad& loaded, PictureLoad& partner);
  // Shows a picture at once on each monitor in use that has no slideshow yet.
  void showAddedMonitors();
  void showCaptions();
  void showCaption(std::size_t monitor);
  bool playTransitions();
  void drawFloatDirections();
  void missingPictureExit(std::int32_t image);
  // What the folder source brought, applied in order once no change or
  // delivery is under way.
  void deliverFolderNews();
  void applyFound(std::vector<std::string>&& pictures);
  void applyScanEnd();
  // No picture could be shown: the background, and the first folder named.
  void showNothingFound();
  // Picture `index` as it is to be loaded for `monitor`: fitted to it when asked.
  // Paired: fitted, still, in its half of the monitor.
  PictureRequest requestFor(std::int32_t index, const MonitorView& monitor, bool paired = false);
  static PictureSize monitorPixels(const MonitorView& monitor);
  template <typename Change>
  void asPictureChange(Change&& change);
  const std::string& captionOf(std::int32_t index) { return captions_.captionOf(order_.sequence(), index); }

  SlideshowDeps d_;
  RunState state_;
  SlideOrder order_;
  CaptionBook captions_;
  std::int32_t inHand_ = 0;  // the picture being changed to, named if that fails
  std::vector<Slide> slides_ = std::vector<Slide>(1);
  SaverOptions options_;
  bool resuming_ = false;  // a change cut short goes on at the next tick
  // Folder pictures passed over: in a row, and in this tick.
  std::size_t skipped_ = 0;
  std::size_t skippedThisTick_ = 0;
  struct FolderNews {
    std::vector<std::string> pictures;
    bool scanEnd = false;
  };
  std::deque<FolderNews> folderNews_;
  int busy_ = 0;  // changes and deliveries under way

  HiddenPictures hidden_;
  // What each change showed, by monitor, the oldest first, and the entry on
  // the screen; a step back or forth aims at another (`goingTo_`, -1 where a
  // monitor takes the order's next).
  struct Seen {
    std::int32_t image;
    std::string path;
  };
  std::deque<std::vector<Seen>> history_;
  std::size_t historyAt_ = 0;
  std::vector<std::int32_t> goingTo_;
  std::size_t goingToAt_ = 0;
  bool tookUpcoming_ = false;  // the step took pictures drawn for the order's next
  bool details_ = false;
  double lastStep_ = -1e9;  // when an arrow last stepped
  std::deque<Steer> waitingKeys_;
  bool onBattery_ = false;
  std::vector<TwipRect> captionAreas_;  // by monitor
  std::string clockText_;
  int clockMinute_ = 0;  // of the day, as the clock's text shows it
};

}  // namespace lumova::saver
