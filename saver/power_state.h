// The power news the show follows, as the system's notifications carry it.
#pragma once

#include <cstdint>
#include <optional>

namespace lumova::saver {

enum class DisplayPower { Off, On, Dimmed };
enum class PowerSource { Mains, Battery };

// A display-state setting's value (the console's or the session's): 0 off,
// 1 on, 2 dimmed; nothing for any other.
inline std::optional<DisplayPower> displayPowerOf(std::uint32_t value) {
  switch (value) {
    case 0:
      return DisplayPower::Off;
    case 1:
      return DisplayPower::On;
    case 2:
      return DisplayPower::Dimmed;
  }
  return std::nullopt;
}

// The power source setting's value: 0 the mains; 1 a battery, 2 a UPS's,
// which is a battery too.
inline PowerSource powerSourceOf(std::uint32_t value) { return value == 0 ? PowerSource::Mains : PowerSource::Battery; }

}  // namespace lumova::saver
