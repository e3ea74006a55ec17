// Portrait pictures to portrait monitors: with monitors of both shapes,
// each one takes the next picture of its own shape, if one lies close
// ahead in the sequence; pictures passed over come first next time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace lumova::saver {

// How far ahead a monitor looks for a picture of its shape.
inline constexpr std::size_t kShapeLookAhead = 8;

// Takes one picture for each monitor (in monitor order) out of `ahead`, the
// pictures of the sequence still to be shown, in order; `draw` gives the
// sequence's next picture whenever `ahead` holds fewer than a monitor
// needs to look at. A monitor takes the first of the next kShapeLookAhead
// whose shape is its own, else the first. The rest stay in `ahead`.
std::vector<std::int32_t> takeByShape(const std::vector<bool>& monitorPortrait, std::deque<std::int32_t>& ahead,
                                      const std::function<std::int32_t()>& draw,
                                      const std::function<bool(std::int32_t)>& portrait);

// The same over a sequence that can be looked into: `ahead(n)` gives up to
// n of the pictures still to come, in order, and `take(i)` draws the i-th.
std::vector<std::int32_t> takeByShape(const std::vector<bool>& monitorPortrait,
                                      const std::function<std::vector<std::int32_t>(std::size_t)>& ahead,
                                      const std::function<std::int32_t(std::size_t)>& take,
                                      const std::function<bool(std::int32_t)>& portrait);

}  // namespace lumova::saver
