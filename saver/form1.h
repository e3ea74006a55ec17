// The full-screen saver window's logic: start-up, then, driven by its three
// timers, the slideshow on each monitor in use: which pictures come next and
// when, showing them, their captions, the floating motion and the one error
// exit. The monitors take the pictures of one sequence in turn.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/picture.h"
#include "common/timers.h"
#include "saver/picture_sequence.h"
#include "saver/saver_options.h"
#include "saver/saver_view.h"
#include "saver/shuffle.h"

namespace lumova {
class Clock;
class Host;
class MessageBoxes;
class Random;
struct Module1;
namespace settings {
class FileStore;
}
}  // namespace lumova

namespace lumova::saver {

struct Form1Deps {
  SaverView& view;
  EventPump& events;
  Host& host;
  Timers& timers;
  const Clock& clock;
  Random& random;
  PictureLoader& pictures;
  MessageBoxes& messages;
  Module1& module1;
  settings::FileStore& files;
  std::string exeFolder;  // where zbfaone.ini lives
  // Told the pictures that will be shown next, one for each monitor in use,
  // as soon as they are known, so they can be decoded (and fitted) ahead of
  // time. May be empty.
  std::function<void(const std::vector<PictureRequest>&)> prefetch;
  // A picture's size upright (after its orientation mark), when known,
  // for monitors of both shapes to prefer pictures of their own. May be empty.
  std::function<std::optional<PictureSize>(const std::string&)> uprightSize = {};
  // The system's random source, for the shuffled order (its rounds must
  // differ between two starts in the same second); `random` when null.
  Random* orderRandom = nullptr;
  // Where the shuffled order's state is saved (a store that saves on a
  // worker, so the flush holds up no change); `files` when null.
  settings::FileStore* stateFiles = nullptr;
  // Scans the folders of the settings; may be null (no folder is scanned).
  FolderSource* folders = nullptr;
};

inline constexpr std::uint32_t kStartupDelayMs = 500;
inline constexpr std::uint32_t kChangeHoldMs = 60000;
inline constexpr double kRevealPauseSeconds = 0.3;
inline constexpr double kFloatStepTwips = 15;
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

class Form1 {
 public:
  explicit Form1(Form1Deps deps);

  // Reads every setting, styles the caption, sets the system lock when
  // protection asks for it, prepares the background and arms Timer3.
  void Form_Load();

  // A timer's tick. An error that nothing else caught, inside a picture
  // change, takes the missing-picture exit; elsewhere it goes on to the
  // caller.
  void onTimer(TimerId id);
  void Timer3_Timer();  // start-up tick
  void Timer2_Timer();  // change tick
  void Timer1_Timer();  // motion tick
  // The monitors changed (the view's already stand in their new places): a
  // monitor added takes the next picture of the sequence at once, whether
  // or not pictures change; one taken away takes its slideshow with it.
  void displayChanged();

  // What the folder scan found, in order, and its end; on the window's
  // thread. The first pictures found start a slideshow that waits for them.
  void foldersFound(std::vector<std::string> pictures);
  void foldersScanned();

  // One monitor's slideshow: the picture it shows, where, its caption's
  // height and its floating direction.
  struct Slide {
    std::int32_t image = -1;
    TwipRect picture;
    double captionHeight = 0;
    int stepX = 0;
    int stepY = 0;
  };

  // Picture list as loaded: entries 0..N, the last one empty.
  const std::vector<std::string>& imageFiles() const { return sequence_.listedPaths(); }
  const std::vector<std::string>& imageCaptions() const { return sequence_.listedCaptions(); }
  std::int16_t lastImage() const { return sequence_.lastListed(); }
  // The listed pictures and those of the folders, in the order shown.
  const PictureSequence& sequence() const { return sequence_; }
  // The slideshows, the primary monitor's first.
  const std::vector<Slide>& slides() const { return slides_; }
  double captionHeight() const { return slides_.front().captionHeight; }
  int stepX() const { return slides_.front().stepX; }
  int stepY() const { return slides_.front().stepY; }

 private:
  // How a change's pictures came out: all shown, to be continued at the
  // next tick, or none (the error exit, or nothing to show).
  enum class Outcome { done, later, failed };

  std::size_t monitorsInUse() const;
  void advanceImage();
  // The shuffled round's picture `i` ahead, drawn.
  std::int32_t drawShuffled(std::size_t i);
  // The pictures of the next change, one for each monitor in use, drawn in
  // monitor order, and prefetched.
  void drawUpcoming();
  Outcome showPictures();
  // Loads slide `monitor`'s picture into that monitor's hidden source,
  // centred; failed once the missing-picture exit is taken or nothing can
  // be shown. For a crossfade the picture on screen and its caption stay
  // until the fade.
  Outcome loadSlide(std::size_t monitor, bool fade = false);
  // Shows a picture at once on each monitor in use that has no slideshow yet.
  void showAddedMonitors();
  void showCaptions();
  void showCaption(std::size_t monitor);
  bool playTransitions();
  void drawFloatDirections();
  void missingPictureExit(std::int32_t image);
  // The folders scanned again, or for the first time.
  void rescan();
  // What the folder source brought, applied in order once no change or
  // delivery is under way.
  void deliverFolderNews();
  void applyFound(std::vector<std::string>&& pictures);
  void applyScanEnd();
  // No picture could be shown: the background, and the first folder named.
  void showNothingFound();
  // Picture `index` as it is to be loaded for `monitor`: fitted to it when asked.
  PictureRequest requestFor(std::int32_t index, const MonitorView& monitor);
  static PictureSize monitorPixels(const MonitorView& monitor);
  template <typename Change>
  void asPictureChange(Change&& change);
  // Its own caption, or the automatic one (worked out once).
  const std::string& captionOf(std::int32_t index);
  // The shuffled round as far as it has been shown, into its state file.
  void saveShuffle();
  // The shuffled round over the whole sequence, as saved when it applies.
  void startShuffle();

  Form1Deps d_;
  PictureSequence sequence_;
  std::int32_t currentImage_ = 0;  // the last picture drawn
  std::vector<std::int32_t> upcoming_;
  std::deque<std::int32_t> passedOver_;  // drawn from the sequence, not shown yet
  std::vector<signed char> portrait_;    // by picture: -1 not known yet
  std::int32_t inHand_ = 0;              // the picture being changed to, named if that fails
  bool waitingForPictures_ = false;      // the start-up tick found none yet
  std::vector<Slide> slides_ = std::vector<Slide>(1);
  SaverOptions options_;
  std::optional<Shuffle> shuffle_;
  std::map<std::string, std::string> autoCaptions_;  // by path
  bool ended_ = false;
  bool changing_ = false;                  // inside a picture change, which adds new monitors at its end
  bool started_ = false;                   // the first pictures are on the screen
  bool continuing_ = false;                // a change goes on at the next tick
  std::optional<std::int32_t> addedNext_;  // an added monitor's picture, still to be tried
  std::size_t skipped_ = 0;                // folder pictures passed over in a row
  std::size_t skippedThisTick_ = 0;
  struct FolderNews {
    std::vector<std::string> pictures;
    bool scanEnd = false;
  };
  std::deque<FolderNews> folderNews_;
  int busy_ = 0;  // changes and deliveries under way
};

}  // namespace lumova::saver
