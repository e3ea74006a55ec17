// The effects a new picture can come with: the number effectMode holds, the
// name the settings dialog lists it by (in this order), and how it is drawn.
// The settings' range, the dialog's list and the player all read this table.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace lumova::effects {

enum class EffectKind {
  none,       // the commit alone shows the picture
  wipe,       // a growing rectangle or band
  blinds,     // slats opening together
  crossfade,  // the picture on screen dissolves into the next, by the clock
};

// Effect numbers; the table's rows are in this order.
enum Effect : int {
  kStandard,
  kLeftWipe,
  kRightWipe,
  kRightLeftWipe,
  kUpDownWipe,
  kCenterWipe,
  kHorizontalBlinds,
  kVerticalBlinds,
  kCrossfade,
};

struct EffectInfo {
  int number;
  std::string_view name;
  EffectKind kind;
};

inline constexpr std::array<EffectInfo, 9> kEffectTable{{
    {kStandard, "Standard", EffectKind::none},
    {kLeftWipe, "Left wipe", EffectKind::wipe},
    {kRightWipe, "Right wipe", EffectKind::wipe},
    {kRightLeftWipe, "Right & Left wipe", EffectKind::wipe},
    {kUpDownWipe, "Up & down wipe", EffectKind::wipe},
    {kCenterWipe, "Center wipe", EffectKind::wipe},
    {kHorizontalBlinds, "Horizontal blinds", EffectKind::blinds},
    {kVerticalBlinds, "Vertical blinds", EffectKind::blinds},
    {kCrossfade, "Crossfade", EffectKind::crossfade},
}};
inline constexpr int kEffectCount = static_cast<int>(kEffectTable.size());

constexpr bool isEffect(int number) { return number >= 0 && number < kEffectCount; }

// `none` for a number the table does not hold.
constexpr EffectKind effectKind(int number) { return isEffect(number) ? kEffectTable[number].kind : EffectKind::none; }

// Drawn by steps (a plan): the wipes and the blinds.
constexpr bool isStepped(int number) {
  const EffectKind k = effectKind(number);
  return k == EffectKind::wipe || k == EffectKind::blinds;
}

// A random choice draws among the stepped effects, numbered 1 to this.
constexpr int steppedEffectCount() {
  int n = 0;
  while (isStepped(n + 1)) ++n;
  return n;
}

constexpr std::array<std::string_view, kEffectTable.size()> effectNames() {
  std::array<std::string_view, kEffectTable.size()> names{};
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = kEffectTable[i].name;
  return names;
}

constexpr bool tableIsNumbered() {
  for (int i = 0; i < kEffectCount; ++i)
    if (kEffectTable[i].number != i) return false;
  int stepped = 0;
  for (const EffectInfo& e : kEffectTable) stepped += isStepped(e.number);
  return stepped == steppedEffectCount();
}
static_assert(tableIsNumbered(), "rows are numbered from 0, the stepped effects together from 1");

}  // namespace lumova::effects
