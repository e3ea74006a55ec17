// The full-screen saver window's logic: start-up, then, driven by its three
// timers, the slideshow: which picture comes next and when, showing it,
// its caption, the floating motion and the one error exit.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/picture.h"
#include "common/timers.h"
#include "saver/saver_options.h"
#include "saver/saver_view.h"

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
  // Told the picture that will be shown next, as soon as it is known, so it
  // can be decoded (and fitted) ahead of time. May be empty.
  std::function<void(const PictureRequest&)> prefetch;
};

inline constexpr std::uint32_t kStartupDelayMs = 500;
inline constexpr std::uint32_t kChangeHoldMs = 60000;
inline constexpr double kRevealPauseSeconds = 0.3;
inline constexpr double kFloatStepTwips = 15;
inline constexpr double kCaptionExtraWidthTwips = 200;

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

  // Picture list as loaded: entries 0..N, the last one empty.
  const std::vector<std::string>& imageFiles() const { return imageFiles_; }
  const std::vector<std::string>& imageCaptions() const { return imageCaptions_; }
  std::int16_t lastImage() const { return lastImage_; }
  double captionHeight() const { return captionHeight_; }
  int stepX() const { return stepX_; }
  int stepY() const { return stepY_; }

 private:
  void advanceImage();
  bool showPicture();
  bool showCaption();
  bool playTransition();
  void drawFloatDirection();
  void missingPictureExit();
  void prefetchNext();
  // Picture `index` as it is to be loaded: fitted to the screen when asked.
  PictureRequest requestFor(std::size_t index) const;
  template <typename Change>
  void asPictureChange(Change&& change);

  Form1Deps d_;
  std::vector<std::string> imageFiles_;
  std::vector<std::string> imageCaptions_;
  std::int16_t lastImage_ = -1;
  std::int16_t currentImage_ = 0;
  SaverOptions options_;
  TwipRect picture_;
  double captionHeight_ = 0;
  int stepX_ = 0;
  int stepY_ = 0;
  bool ended_ = false;
};

}  // namespace lumova::saver
