#include "dialog/thumbnail_scale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumova::dialog {
namespace {

// How much of source cell `s` (the span [s, s + 1)) lies in target cell `t`
// (the span [t * step, (t + 1) * step)), as a share of the target cell.
struct Share {
  int target;
  double weight;
};

// For every source cell along one axis, the target cells it feeds.
std::vector<std::vector<Share>> sharesAlong(int source, int target) {
  std::vector<std::vector<Share>> shares(static_cast<std::size_t>(source));
  const double step = static_cast<double>(source) / target;
  for (int t = 0; t < target; ++t) {
    const double begin = t * step;
    const double end = t + 1 == target ? source : (t + 1) * step;
    for (int s = static_cast<int>(std::floor(begin)); s < source && s < end; ++s) {
      const double covered = std::min<double>(end, s + 1) - std::max<double>(begin, s);
      if (covered > 0) shares[static_cast<std::size_t>(s)].push_back({t, covered / step});
    }
  }
  return shares;
}

}  // namespace

bool scaleByAreaAverage(const ConstPixelBlock& from, const PixelBlock& to) {
  if (!from.bits || !to.bits || from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0) return false;
  const auto columns = sharesAlong(from.width, to.width);
  const auto rows = sharesAlong(from.height, to.height);
  const auto targetWidth = static_cast<std::size_t>(to.width);

  // One source row at a time: first across into `row`, then down into the
  // target rows it feeds. Memory stays at the target's size.
  std::vector<double> row(targetWidth * 4);
  std::vector<double> sums(targetWidth * static_cast<std::size_t>(to.height) * 4, 0.0);
  for (int y = 0; y < from.height; ++y) {
    std::fill(row.begin(), row.end(), 0.0);
    const std::uint8_t* source = from.bits + y * from.stride;
    for (int x = 0; x < from.width; ++x) {
      const std::uint8_t* pixel = source + static_cast<std::ptrdiff_t>(x) * 4;
      for (const Share& c : columns[static_cast<std::size_t>(x)]) {
        double* out = &row[static_cast<std::size_t>(c.target) * 4];
        for (int k = 0; k < 4; ++k) out[k] += pixel[k] * c.weight;
      }
    }
    for (const Share& r : rows[static_cast<std::size_t>(y)]) {
      double* out = &sums[static_cast<std::size_t>(r.target) * targetWidth * 4];
      for (std::size_t i = 0; i < row.size(); ++i) out[i] += row[i] * r.weight;
    }
  }

  for (int y = 0; y < to.height; ++y) {
    std::uint8_t* target = to.bits + y * to.stride;
    const double* in = &sums[static_cast<std::size_t>(y) * targetWidth * 4];
    for (std::size_t i = 0; i < targetWidth * 4; ++i)
      target[i] = static_cast<std::uint8_t>(std::clamp(std::lround(in[i]), 0L, 255L));
  }
  return true;
}

}  // namespace lumova::dialog
