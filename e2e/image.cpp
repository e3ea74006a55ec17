#include "e2e/image.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace lumova::e2e {

int channelDistance(Rgb a, Rgb b) {
  int d = 0;
  for (int shift = 0; shift <= 16; shift += 8)
    d = std::max(d, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  return d;
}

bool Rect::contains(const Rect& o) const {
  return o.x >= x && o.y >= y && o.right() <= right() && o.bottom() <= bottom();
}

Rect Rect::intersect(const Rect& o) const {
  const int left = std::max(x, o.x), top = std::max(y, o.y);
  const int r = std::min(right(), o.right()), b = std::min(bottom(), o.bottom());
  if (r <= left || b <= top) return {};
  return {left, top, r - left, b - top};
}

std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << r.width << "x" << r.height << "+" << r.x << "+" << r.y;
}

std::ostream& operator<<(std::ostream& out, const Point& p) { return out << "(" << p.x << ", " << p.y << ")"; }

Image::Image(int width, int height, Rgb fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, fill) {}

void Image::fill(const Rect& r, Rgb c) {
  const Rect clipped = r.intersect(bounds());
  for (int y = clipped.y; y < clipped.bottom(); ++y)
    for (int x = clipped.x; x < clipped.right(); ++x) setPixel(x, y, c);
}

Image Image::crop(const Rect& r) const {
  const Rect clipped = r.intersect(bounds());
  Image out(clipped.width, clipped.height);
  for (int y = 0; y < clipped.height; ++y)
    for (int x = 0; x < clipped.width; ++x) out.setPixel(x, y, pixel(clipped.x + x, clipped.y + y));
  return out;
}

long long countDifferent(const Image& image, const Rect& r, Rgb colour, int tolerance) {
  const Rect clipped = r.intersect(image.bounds());
  long long n = 0;
  for (int y = clipped.y; y < clipped.bottom(); ++y)
    for (int x = clipped.x; x < clipped.right(); ++x)
      if (channelDistance(image.pixel(x, y), colour) > tolerance) ++n;
  return n;
}

long long countDifferent(const Image& a, const Rect& ra, const Image& b, Point atB, int tolerance) {
  long long n = 0;
  for (int dy = 0; dy < ra.height; ++dy) {
    for (int dx = 0; dx < ra.width; ++dx) {
      const int ax = ra.x + dx, ay = ra.y + dy, bx = atB.x + dx, by = atB.y + dy;
      const bool inA = ax >= 0 && ay >= 0 && ax < a.width() && ay < a.height();
      const bool inB = bx >= 0 && by >= 0 && bx < b.width() && by < b.height();
      if (!inA || !inB || channelDistance(a.pixel(ax, ay), b.pixel(bx, by)) > tolerance) ++n;
    }
  }
  return n;
}

std::optional<Rgb> uniformColour(const Image& image, const Rect& r, int tolerance) {
  const Rect clipped = r.intersect(image.bounds());
  if (clipped.empty() || clipped != r) return std::nullopt;
  const Rgb first = image.pixel(r.x, r.y);
  if (countDifferent(image, r, first, tolerance) != 0) return std::nullopt;
  return first;
}

Rect boundsOfOther(const Image& image, Rgb background, int tolerance) {
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (channelDistance(image.pixel(x, y), background) <= tolerance) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {};
  return {left, top, right - left + 1, bottom - top + 1};
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool savePng(const Image& image, const std::filesystem::path& file) {
  if (image.empty()) return false;
  File f(std::fopen(file.c_str(), "wb"));
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<png_byte> row(static_cast<std::size_t>(image.width()) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, f.get());
  png_set_IHDR(png, info, image.width(), image.height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const Rgb c = image.pixel(x, y);
      row[3 * x] = static_cast<png_byte>(c >> 16);
      row[3 * x + 1] = static_cast<png_byte>(c >> 8);
      row[3 * x + 2] = static_cast<png_byte>(c);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fflush(f.get()) == 0;
}

Image loadPng(const std::filesystem::path& file) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, file.c_str())) return {};
  // Reference pictures are screen-sized; refuse anything absurd before allocating.
  if (img.width == 0 || img.height == 0 || img.width > 16384 || img.height > 16384) {
    png_image_free(&img);
    return {};
  }
  img.format = PNG_FORMAT_RGB;
  std::vector<png_byte> buffer(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, buffer.data(), 0, nullptr)) {
    png_image_free(&img);
    return {};
  }
  Image out(static_cast<int>(img.width), static_cast<int>(img.height));
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const png_byte* p = &buffer[(static_cast<std::size_t>(y) * out.width() + x) * 3];
      out.setPixel(x, y, rgb(p[0], p[1], p[2]));
    }
  return out;
}

bool saveBmp(const Image& image, const std::filesystem::path& file) {
  if (image.empty()) return false;
  const std::uint32_t stride = (static_cast<std::uint32_t>(image.width()) * 3 + 3) & ~3u;
  const std::uint32_t dataSize = stride * static_cast<std::uint32_t>(image.height());
  std::vector<unsigned char> bytes;
  auto put16 = [&](std::uint32_t v) {
    bytes.push_back(v & 0xFF);
    bytes.push_back((v >> 8) & 0xFF);
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  // BITMAPFILEHEADER, then BITMAPINFOHEADER.
  bytes.push_back('B');
  bytes.push_back('M');
  put32(14 + 40 + dataSize);
  put32(0);
  put32(14 + 40);
  put32(40);
  put32(static_cast<std::uint32_t>(image.width()));
  put32(static_cast<std::uint32_t>(image.height()));  // positive: bottom-up rows
  put16(1);
  put16(24);
  put32(0);  // BI_RGB
  put32(dataSize);
  put32(3780);  // 96 dots per inch, in dots per metre
  put32(3780);
  put32(0);
  put32(0);
  for (int y = image.height() - 1; y >= 0; --y) {
    const std::size_t rowStart = bytes.size();
    for (int x = 0; x < image.width(); ++x) {
      const Rgb c = image.pixel(x, y);
      bytes.push_back(c & 0xFF);
      bytes.push_back((c >> 8) & 0xFF);
      bytes.push_back((c >> 16) & 0xFF);
    }
    bytes.resize(rowStart + stride, 0);
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace lumova::e2e
