// Resizing 32-bit pixels with area averaging, so that a shrunken picture
// keeps its fine detail as shades instead of dropping whole rows and columns
// as a nearest-pixel copy does. Used for the dialog's thumbnail and for
// pictures shrunk to fit the screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace lumova {

// A block of 32-bit pixels (4 bytes each, channels scaled alike), rows
// `stride` bytes apart.
struct PixelBlock {
  std::uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};
struct ConstPixelBlock {
  const std::uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

// Fills `to` with `from` resized: each target pixel is the average of the
// source area it covers, weighted by how much of each source pixel falls in
// it. Premultiplied pixels stay premultiplied. False (and `to` untouched)
// when either block is empty.
bool scaleByAreaAverage(const ConstPixelBlock& from, const PixelBlock& to);

// The same, fed one source row at a time (top to bottom), so that a picture
// being decoded never has to be held whole. Each target row is written as
// soon as its last source row is in; besides the target, only the sums of the
// few target rows still open are held (at the source's width).
class AreaScaler {
 public:
  // Both sizes must be at least 1 by 1; `to` must stay valid while rows come.
  // Rows come with 4 bytes a pixel (B, G, R, A), or with 3 (B, G, R) for a
  // picture that is opaque; the target gets 4.
  AreaScaler(int fromWidth, int fromHeight, const PixelBlock& to, int bytesPerPixel = 4);
  // The next source row: fromWidth pixels.
  void addRow(const std::uint8_t* row);

 private:
  // Along one axis: target cell t takes `taps` source cells from start[t]
  // on, with the share of t each covers in weights[t * taps] ..; unused taps
  // weigh 0, so the inner loops have a fixed length.
  struct Axis {
    std::vector<int> start;
    std::vector<float> weights;
    std::size_t taps = 0;
  };
  struct Feed {
    int target;
    std::int32_t weight;  // in 1/65536
  };
  static Axis axis(int source, int target);
  // The sums of a target row; `fresh` tells whether it was just opened.
  std::vector<std::int32_t>& openRow(int target, bool* fresh = nullptr);
  void closeRow(int target);
  template <int Channels>
  void across(int target);
  void copyRow(const std::uint8_t* row);

  PixelBlock to_;
  std::size_t sourceWidth_;
  std::size_t channels_;  // in a source row (3 or 4)
  bool sameSize_;
  Axis columns_;
  std::vector<std::vector<Feed>> feeds_;  // by source row: the target rows it feeds
  std::vector<std::vector<int>> closes_;  // by source row: the target rows it completes
  std::size_t nextRow_ = 0;
  // Target rows still taking source rows: sums down, at the source's width,
  // in whole numbers (a free buffer has target -1).
  std::vector<std::pair<int, std::vector<std::int32_t>>> open_;
};

}  // namespace lumova
