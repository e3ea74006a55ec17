#include "picture/area_scale.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumova {
namespace {

constexpr float kOne = 65536.0f;  // vertical weights are kept in 1/65536

}  // namespace

AreaScaler::Axis AreaScaler::axis(int source, int target) {
  // Target cell t covers the source span [t * step, (t + 1) * step); each
  // source cell it touches counts with the share of the target cell it
  // covers.
  Axis a;
  const double step = static_cast<double>(source) / target;
  std::vector<std::vector<float>> weights(static_cast<std::size_t>(target));
  a.start.resize(static_cast<std::size_t>(target));
  for (int t = 0; t < target; ++t) {
    const double begin = t * step;
    const double end = t + 1 == target ? source : (t + 1) * step;
    a.start[static_cast<std::size_t>(t)] = static_cast<int>(std::floor(begin));
    for (int s = static_cast<int>(std::floor(begin)); s < source && s < end; ++s) {
      const double covered = std::min<double>(end, s + 1) - std::max<double>(begin, s);
      weights[static_cast<std::size_t>(t)].push_back(static_cast<float>(std::max(covered, 0.0) / step));
    }
    a.taps = std::max(a.taps, weights[static_cast<std::size_t>(t)].size());
  }
  a.weights.assign(static_cast<std::size_t>(target) * a.taps, 0.0f);
  for (std::size_t t = 0; t < weights.size(); ++t) {
    // Taps past the source's end would read beyond it: start earlier instead
    // and let the leading weights be 0.
    const int shift = std::max(0, static_cast<int>(a.taps) - (source - a.start[t]));
    a.start[t] -= shift;
    std::copy(weights[t].begin(), weights[t].end(),
              a.weights.begin() + static_cast<std::ptrdiff_t>(t * a.taps + shift));
  }
  return a;
}

AreaScaler::AreaScaler(int fromWidth, int fromHeight, const PixelBlock& to, int bytesPerPixel)
    : to_(to),
      sourceWidth_(static_cast<std::size_t>(fromWidth)),
      channels_(bytesPerPixel == 3 ? 3 : 4),
      sameSize_(fromWidth == to.width && fromHeight == to.height) {
  // At the same size every row is its own average: a copy.
  if (sameSize_) return;
  columns_ = axis(fromWidth, to.width);
  // For each source row: the target rows it feeds, with their weights in
  // whole numbers that add up to 65536 for each target row, and the target
  // rows it is the last one for.
  const Axis rows = axis(fromHeight, to.height);
  feeds_.resize(static_cast<std::size_t>(fromHeight));
  closes_.resize(static_cast<std::size_t>(fromHeight));
  for (std::size_t t = 0; t < rows.start.size(); ++t) {
    std::size_t last = static_cast<std::size_t>(rows.start[t]);
    std::int32_t given = 0;
    std::size_t lastFeed = 0;
    for (std::size_t k = 0; k < rows.taps; ++k) {
      const float w = rows.weights[t * rows.taps + k];
      const auto s = static_cast<std::size_t>(rows.start[t]) + k;
      if (w <= 0 || s >= feeds_.size()) continue;
      const auto whole = static_cast<std::int32_t>(std::lround(w * kOne));
      feeds_[s].push_back({static_cast<int>(t), whole});
      given += whole;
      last = s;
      lastFeed = feeds_[s].size() - 1;
    }
    // What rounding left over goes to the last share, so flat areas stay flat.
    if (!feeds_[last].empty()) feeds_[last][lastFeed].weight += static_cast<std::int32_t>(kOne) - given;
    closes_[last].push_back(static_cast<int>(t));
  }
}

std::vector<std::int32_t>& AreaScaler::openRow(int target, bool* fresh) {
  if (fresh) *fresh = false;
  for (auto& [t, sums] : open_)
    if (t == target) return sums;
  // A closed row's buffer serves again: no allocation per row, and its first
  // source row overwrites what it held.
  if (fresh) *fresh = true;
  for (auto& [t, sums] : open_)
    if (t < 0) {
      t = target;
      return sums;
    }
  // One value more than the row holds: the vector reads of a 3-channel row
  // take four at a time.
  open_.emplace_back(target, std::vector<std::int32_t>(sourceWidth_ * channels_ + 1, 0));
  return open_.back().second;
}

void AreaScaler::closeRow(int target) {
  // Across, now that every source row of this target row is summed.
  if (channels_ == 3)
    across<3>(target);
  else
    across<4>(target);
  for (auto& entry : open_)
    if (entry.first == target) entry.first = -1;
}

template <int Channels>
void AreaScaler::across(int target) {
  // Four channels at once, in one vector register; a 3-channel source reads
  // one value past each pixel (the buffer has room for it) and its alpha is
  // set afterwards.
  typedef float Float4 __attribute__((vector_size(16)));
  typedef std::int32_t Int4 __attribute__((vector_size(16)));
  const std::int32_t* down = openRow(target).data();
  const std::size_t taps = columns_.taps;
  const float* w = columns_.weights.data();
  std::uint8_t* out = to_.bits + target * to_.stride;
  const auto width = static_cast<std::size_t>(to_.width);
  for (std::size_t x = 0; x < width; ++x, w += taps, out += 4) {
    const std::int32_t* p = down + static_cast<std::size_t>(columns_.start[x]) * Channels;
    Float4 sum{0, 0, 0, 0};
    for (std::size_t k = 0; k < taps; ++k, p += Channels) {
      Int4 v;
      std::memcpy(&v, p, sizeof v);
      sum += __builtin_convertvector(v, Float4) * w[k];
    }
    for (int c = 0; c < 4; ++c) {
      const int v = static_cast<int>(sum[c] * (1.0f / kOne) + 0.5f);
      out[c] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
    }
    if (Channels == 3) out[3] = 0xFF;  // an opaque picture stays opaque
  }
}

void AreaScaler::copyRow(const std::uint8_t* row) {
  std::uint8_t* out = to_.bits + static_cast<std::ptrdiff_t>(nextRow_) * to_.stride;
  if (channels_ == 4) {
    std::memcpy(out, row, sourceWidth_ * 4);
    return;
  }
  for (std::size_t x = 0; x < sourceWidth_; ++x, row += 3, out += 4) {
    out[0] = row[0];
    out[1] = row[1];
    out[2] = row[2];
    out[3] = 0xFF;
  }
}

void AreaScaler::addRow(const std::uint8_t* row) {
  if (sameSize_) {
    if (nextRow_ < static_cast<std::size_t>(to_.height)) copyRow(row);
    ++nextRow_;
    return;
  }
  if (nextRow_ >= feeds_.size()) return;  // more rows than the source has
  // Down first, byte by byte into whole-number sums: a loop the compiler
  // turns into vector instructions.
  const std::size_t values = sourceWidth_ * channels_;
  for (const Feed& f : feeds_[nextRow_]) {
    bool fresh = false;
    std::int32_t* sums = openRow(f.target, &fresh).data();
    const std::int32_t w = f.weight;
    if (fresh)
      for (std::size_t i = 0; i < values; ++i) sums[i] = row[i] * w;
    else
      for (std::size_t i = 0; i < values; ++i) sums[i] += row[i] * w;
  }
  for (int t : closes_[nextRow_]) closeRow(t);
  ++nextRow_;
}

bool scaleByAreaAverage(const ConstPixelBlock& from, const PixelBlock& to) {
  if (!from.bits || !to.bits || from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0) return false;
  AreaScaler scaler(from.width, from.height, to);
  for (int y = 0; y < from.height; ++y) scaler.addRow(from.bits + y * from.stride);
  return true;
}

}  // namespace lumova
