// The settings as the slideshow uses them, converted once when the saver
// starts. Each value means exactly what its text in the file means; the
// record only spares the slideshow reading text again at every tick.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "saver/auto_caption.h"
#include "saver/saver_view.h"
#include "settings/settings_keys.h"

namespace lumova::saver {

// The motion timer's interval when the speed is outside the table.
inline constexpr std::uint32_t kDefaultMotionIntervalMs = 100;

// clock "1" and "2"; any other value shows no clock.
enum class ClockShows { Nothing, Time, TimeAndDate };

struct SaverOptions {
  bool randomOrder = false;        // randomPick reads as exactly 1
  bool desktopBackground = false;  // backEffect other than 0: a snapshot of the desktop
  std::uint32_t backColor = 0;     // RGB value, red in the low byte
  // The motion timer's interval for picSpeed 0 to 5; nothing for any other
  // speed (the default interval stays).
  std::optional<std::uint32_t> motionIntervalMs;
  bool centred = true;                 // picRandom is exactly "cent"
  bool panZoom = false;                // picRandom is exactly "zoom"; any other text floats
  std::uint32_t changeIntervalMs = 0;  // timeInterval seconds as milliseconds, halves to even
  // The transition by number: 0 to 8 runs that effect, any other number
  // (nothing here) draws nothing and leaves the picture to the commit.
  std::optional<int> effectMode;
  bool randomEffect = false;  // randomEffect reads as exactly 1
  bool fitToScreen = false;   // picFit reads as exactly 1
  bool allMonitors = false;   // allMonitors reads as exactly 1
  bool shuffle = false;       // randomPick and shuffle both read as exactly 1
  AutoCaption autoCaption = AutoCaption::Nothing;
  bool keysSteer = false;  // keysSteer reads as exactly 1
  // blurFill reads as exactly 1 and the background is a colour: a blurred
  // copy of each picture fills its monitor around it.
  bool blurFill = false;
  bool pairPortraits = false;  // pairPortraits reads as exactly 1
  CaptionFont captionFont;
  std::uint32_t captionColor = 0;
  bool stillOnBattery = false;  // stillOnBattery reads as exactly 1
  ClockShows clock = ClockShows::Nothing;
  // useGpu is anything but exactly 0: frames are drawn on the graphics card
  // when it can be used.
  bool useGpu = true;
};

// Motion timer interval for a float speed: 150 ms at 0 down to 25 ms at 5;
// nothing for any other speed.
std::optional<std::uint32_t> motionIntervalMs(std::string_view picSpeed);

// The effect number effectMode names: its whole-number value when it is one
// of 0 to 8, else nothing ("9", "1.5").
std::optional<int> effectNumber(std::string_view effectMode);

// From option values as readOption gives them (valid for their keys).
SaverOptions saverOptions(const settings::OptionValues& values);

}  // namespace lumova::saver
