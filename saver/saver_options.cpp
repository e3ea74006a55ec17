#include "saver/saver_options.h"

#include <array>
#include <cmath>

#include "common/textnum.h"

namespace lumova::saver {
namespace {

using settings::Key;

constexpr std::array<std::uint32_t, 6> kMotionIntervalsMs = {150, 125, 100, 75, 50, 25};

bool isExactlyOne(std::string_view text) { return parseNumber(text) == 1.0; }

std::uint32_t number(std::string_view text) {
  // The table only lets colours and numbers of their range through.
  return static_cast<std::uint32_t>(textToInt32(text).value_or(0));
}

}  // namespace

std::optional<std::uint32_t> motionIntervalMs(std::string_view picSpeed) {
  const settings::Range speeds = settings::keyInfo(Key::picSpeed).range;
  static_assert(kMotionIntervalsMs.size() == 6, "one interval for each speed 0 to 5");
  const auto speed = parseNumber(picSpeed);
  if (!speed) return std::nullopt;
  for (int i = speeds.low; i <= speeds.high; ++i)
    if (*speed == i) return kMotionIntervalsMs[static_cast<std::size_t>(i - speeds.low)];
  return std::nullopt;
}

std::optional<int> effectNumber(std::string_view effectMode) {
  const auto n = parseNumber(effectMode);
  const settings::Range effects = settings::keyInfo(Key::effectMode).range;
  if (!n || *n != std::floor(*n) || *n < effects.low || *n > effects.high) return std::nullopt;
  return static_cast<int>(*n);
}

SaverOptions saverOptions(const settings::OptionValues& values) {
  auto text = [&](Key k) -> const std::string& { return settings::at(values, k); };
  auto flag = [&](Key k) { return parseTruth(text(k)).value_or(false); };
  SaverOptions o;
  o.randomOrder = isExactlyOne(text(Key::randomPick));
  o.desktopBackground = parseNumber(text(Key::backEffect)).value_or(0) != 0;
  o.backColor = number(text(Key::newBackColor));
  o.motionIntervalMs = motionIntervalMs(text(Key::picSpeed));
  o.centred = settings::isChoice(Key::picRandom, text(Key::picRandom), settings::kCentred);
  o.panZoom = settings::isChoice(Key::picRandom, text(Key::picRandom), settings::kPanZoom);
  o.changeIntervalMs =
      static_cast<std::uint32_t>(roundHalfEven(parseNumber(text(Key::timeInterval)).value_or(0) * 1000));
  o.effectMode = effectNumber(text(Key::effectMode));
  o.randomEffect = isExactlyOne(text(Key::randomEffect));
  o.fitToScreen = isExactlyOne(text(Key::picFit));
  o.allMonitors = isExactlyOne(text(Key::allMonitors));
  o.shuffle = o.randomOrder && isExactlyOne(text(Key::shuffle));
  o.autoCaption = autoCaptionMode(text(Key::autoCaption));
  o.keysSteer = isExactlyOne(text(Key::keysSteer));
  o.blurFill = !o.desktopBackground && isExactlyOne(text(Key::blurFill));
  o.pairPortraits = isExactlyOne(text(Key::pairPortraits));
  o.captionFont.name = text(Key::newFontName);
  o.captionFont.size = parseNumber(text(Key::newFontSize)).value_or(0);
  o.captionFont.bold = flag(Key::newFontBold);
  o.captionFont.italic = flag(Key::newFontItalic);
  o.captionFont.underline = flag(Key::newFontUnderline);
  o.captionFont.strikethrough = flag(Key::newFontFontStrikethru);
  o.captionColor = number(text(Key::newFontForeColor));
  o.stillOnBattery = isExactlyOne(text(Key::stillOnBattery));
  const auto clock = parseNumber(text(Key::clock));
  o.clock = clock == 1.0 ? ClockShows::Time : clock == 2.0 ? ClockShows::TimeAndDate : ClockShows::Nothing;
  o.useGpu = settings::graphicsCardAllowed(text(Key::useGpu));
  return o;
}

}  // namespace lumova::saver
