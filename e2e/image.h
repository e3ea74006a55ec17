#pragma once
// Screen pictures as the harness sees them, and the comparisons tests make.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <vector>

namespace lumova::e2e {

// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

constexpr Rgb rgb(int r, int g, int b) {
  return (static_cast<Rgb>(r & 0xFF) << 16) | (static_cast<Rgb>(g & 0xFF) << 8) | static_cast<Rgb>(b & 0xFF);
}

// Largest difference of the three channels.
int channelDistance(Rgb a, Rgb b);

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool empty() const { return width <= 0 || height <= 0; }
  int right() const { return x + width; }    // one past the last column
  int bottom() const { return y + height; }  // one past the last row
  bool contains(const Rect& other) const;
  Rect intersect(const Rect& other) const;  // empty when they do not overlap
  friend bool operator==(const Rect&, const Rect&) = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r);
std::ostream& operator<<(std::ostream& out, const Point& p);

class Image {
 public:
  Image() = default;
  Image(int width, int height, Rgb fill = 0);

  int width() const { return width_; }
  int height() const { return height_; }
  Rect bounds() const { return {0, 0, width_, height_}; }
  bool empty() const { return pixels_.empty(); }

  Rgb pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  void setPixel(int x, int y, Rgb c) { pixels_[static_cast<std::size_t>(y) * width_ + x] = c; }
  void fill(const Rect& r, Rgb c);  // clipped to the image
  // The part inside the rectangle, clipped to the image.
  Image crop(const Rect& r) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Rgb> pixels_;
};

// Pixels of the rectangle whose colour is farther than the tolerance from the
// given one (per channel); the rectangle is clipped to the image.
long long countDifferent(const Image& image, const Rect& r, Rgb colour, int tolerance = 0);

// Pixels that differ by more than the tolerance between region `ra` of `a`
// and the region of the same size at `atB` in `b`. Parts of either region
// outside its image count as different.
long long countDifferent(const Image& a, const Rect& ra, const Image& b, Point atB, int tolerance = 0);

// The colour of the rectangle if all of it is within the tolerance of its
// top-left pixel.
std::optional<Rgb> uniformColour(const Image& image, const Rect& r, int tolerance = 0);

// The bounding box of the pixels farther than the tolerance from the colour;
// empty when there are none. Finds where a picture landed on a plain background.
Rect boundsOfOther(const Image& image, Rgb background, int tolerance = 0);

// Writes an 8-bit RGB PNG file; false on failure.
bool savePng(const Image& image, const std::filesystem::path& file);
// Reads a PNG file of any colour type into RGB; an empty image on failure.
Image loadPng(const std::filesystem::path& file);
// Writes a 24-bit Windows bitmap (bottom-up rows padded to four bytes), the
// simplest picture file the saver can show. False on failure.
bool saveBmp(const Image& image, const std::filesystem::path& file);

}  // namespace lumova::e2e
