// The WIC loader against damaged pictures, under Wine: pictures written by
// WIC's own encoders in every format the loader takes, then mutated the same
// way on every run (bit flips, byte runs, truncations, edited size fields,
// files spliced together). Each must either decode to a bitmap of the size
// its header claims or fail cleanly, and no decode may hang.
#include <gtest/gtest.h>
#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "picture/wic_loader_win32.h"
#include "tests/support/temp_files_win32.h"
#include "tests/support/wic_encode_win32.h"

namespace lumova::win32 {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::readBytes;
using testing::tempFolder;
using testing::writeBytes;

constexpr std::uint32_t kPalette[8] = {0xFF000000, 0xFFFFFFFF, 0xFFE01010, 0xFF10C020,
                                       0xFF2030E0, 0xFFF0D000, 0xFF00C0C0, 0xFF808080};
// A decode of these small files takes milliseconds; one that takes this long hangs.
constexpr auto kDecodeLimit = std::chrono::seconds(10);

struct Seed {
  const char* format;
  const char* extension;
  GUID container;
  bool indexed;
  int width, height;
  Bytes bytes;
};

std::vector<std::uint32_t> pattern(int width, int height) {
  std::vector<std::uint32_t> argb(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) argb[static_cast<std::size_t>(y) * width + x] = kPalette[(x / 4 + y / 3) % 8];
  return argb;
}

// Where a format keeps its size fields: offset, width in bytes, big-endian.
struct SizeField {
  std::size_t at;
  int bytes;
  bool bigEndian;
};

std::vector<SizeField> sizeFields(const Seed& seed) {
  const Bytes& b = seed.bytes;
  const std::string format = seed.format;
  if (format == "BMP") return {{18, 4, false}, {22, 4, false}};
  if (format == "PNG") return {{16, 4, true}, {20, 4, true}};
  if (format == "GIF") {
    std::vector<SizeField> fields = {{6, 2, false}, {8, 2, false}};
    // The first image descriptor's rectangle as well.
    for (std::size_t i = 13; i + 9 < b.size(); ++i)
      if (b[i] == 0x2C) {
        for (std::size_t f = 1; f <= 7; f += 2) fields.push_back({i + f, 2, false});
        break;
      }
    return fields;
  }
  if (format == "JPEG") {
    for (std::size_t i = 2; i + 9 < b.size(); ++i)
      if (b[i] == 0xFF && b[i + 1] >= 0xC0 && b[i + 1] <= 0xC2) return {{i + 5, 2, true}, {i + 7, 2, true}};
    return {};
  }
  // TIFF (little-endian from WIC): the values of the width and length tags.
  std::vector<SizeField> fields;
  if (b.size() < 8) return fields;
  const std::size_t ifd = b[4] | (b[5] << 8) | (b[6] << 16) | (std::size_t{b[7]} << 24);
  if (ifd + 2 > b.size()) return fields;
  const std::size_t count = b[ifd] | (b[ifd + 1] << 8);
  for (std::size_t e = 0; e < count && ifd + 2 + 12 * (e + 1) <= b.size(); ++e) {
    const std::size_t at = ifd + 2 + 12 * e;
    const int tag = b[at] | (b[at + 1] << 8);
    const int type = b[at + 2] | (b[at + 3] << 8);
    if (tag == 256 || tag == 257) fields.push_back({at + 8, type == 3 ? 2 : 4, false});
  }
  return fields;
}

void putField(Bytes& b, const SizeField& f, std::uint32_t value) {
  for (int i = 0; i < f.bytes; ++i) {
    const std::size_t at = f.at + (f.bigEndian ? f.bytes - 1 - i : i);
    if (at < b.size()) b[at] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

enum class Damage { BitFlips, ByteRun, Truncation, SizeField, Splice, Repeat, kCount };

Bytes damage(const Seed& seed, const std::vector<Seed>& all, Damage kind, std::mt19937& rng) {
  Bytes b = seed.bytes;
  auto below = [&](std::size_t n) { return n ? static_cast<std::size_t>(rng() % n) : 0; };
  switch (kind) {
    case Damage::BitFlips:
      for (std::size_t n = 1 + below(8); n > 0; --n) b[below(b.size())] ^= static_cast<std::uint8_t>(1u << below(8));
      break;
    case Damage::ByteRun: {
      const std::size_t at = below(b.size()), length = 1 + below(48);
      const std::uint8_t fills[] = {0x00, 0xFF, static_cast<std::uint8_t>(rng())};
      const std::uint8_t fill = fills[below(3)];
      for (std::size_t i = at; i < b.size() && i < at + length; ++i) b[i] = fill;
      break;
    }
    case Damage::Truncation:
      b.resize(below(b.size()));
      break;
    case Damage::SizeField: {
      const auto fields = sizeFields(seed);
      if (fields.empty()) break;
      const std::uint32_t values[] = {0,      1,          2,          static_cast<std::uint32_t>(seed.width * 2 + 1),
                                      255,    0x7FFF,     0xFFFF,     0x10000,
                                      100000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
      for (std::size_t n = 1 + below(2); n > 0; --n) putField(b, fields[below(fields.size())], values[below(12)]);
      break;
    }
    case Damage::Splice: {
      const Seed& other = all[below(all.size())];
      Bytes spliced(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(below(b.size())));
      spliced.insert(spliced.end(), other.bytes.begin() + static_cast<std::ptrdiff_t>(below(other.bytes.size())),
                     other.bytes.end());
      b = std::move(spliced);
      break;
    }
    case Damage::Repeat: {
      const std::size_t at = below(b.size()), length = 1 + below(std::min<std::size_t>(200, b.size() - at));
      Bytes copy(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + length));
      b.insert(b.begin() + static_cast<std::ptrdiff_t>(below(b.size())), copy.begin(), copy.end());
      break;
    }
    case Damage::kCount:
      break;
  }
  return b;
}

// The size a file claims, read here from the bytes without the loader's
// probe: the first frame header of a JPEG (segments walked from the start),
// the tags of a TIFF's first directory in either byte order, a GIF's logical
// screen grown to hold its first image. Either way round for JPEG and TIFF, whose orientation mark
// may turn them. False when none can be read.
bool sizeMatchesHeader(const Bytes& b, const Picture& picture) {
  const std::int64_t w = picture.width(), h = picture.height();
  auto at = [&](std::size_t i, int n, bool big) {
    std::uint32_t v = 0;
    for (int k = 0; k < n; ++k) v |= std::uint32_t{b[i + (big ? n - 1 - k : k)]} << (8 * k);
    return v;
  };
  auto is = [&](std::int64_t cw, std::int64_t ch, bool turns) {
    return (w == cw && h == ch) || (turns && w == ch && h == cw);
  };
  if (b.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
    return is(static_cast<std::int32_t>(at(18, 4, false)), std::abs(static_cast<std::int32_t>(at(22, 4, false))),
              false);
  }
  if (b.size() >= 24 && b[0] == 0x89 && b[1] == 'P') return is(at(16, 4, true), at(20, 4, true), false);
  if (b.size() >= 13 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F') {
    std::size_t i = 13 + (b[10] & 0x80 ? 3u << ((b[10] & 7) + 1) : 0);
    while (i + 1 < b.size() && b[i] == 0x21) {  // extensions: a label, then sub-blocks up to an empty one
      for (i += 2; i < b.size() && b[i] != 0;) i += b[i] + 1;
      ++i;
    }
    if (i + 9 >= b.size() || b[i] != 0x2C) return false;
    const std::int64_t left = at(i + 1, 2, false), top = at(i + 3, 2, false);
    const std::int64_t fw = at(i + 5, 2, false), fh = at(i + 7, 2, false);
    return is(std::max<std::int64_t>(at(6, 2, false), left + fw), std::max<std::int64_t>(at(8, 2, false), top + fh),
              false);
  }
  if (b.size() >= 4 && b[0] == 0xFF && b[1] == 0xD8) {
    for (std::size_t i = 2; i + 9 < b.size() && b[i] == 0xFF; i += 2 + at(i + 2, 2, true)) {
      const std::uint8_t m = b[i + 1];
      if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
        return is(at(i + 7, 2, true), at(i + 5, 2, true), true);
    }
    return false;
  }
  if (b.size() >= 8 && (b[0] == 'I' || b[0] == 'M') && b[0] == b[1]) {
    const bool big = b[0] == 'M';
    const std::size_t ifd = at(4, 4, big);
    if (ifd + 2 > b.size()) return false;
    std::int64_t size[2] = {-1, -1};
    for (std::size_t e = 0, n = at(ifd, 2, big); e < n && ifd + 14 + 12 * e <= b.size(); ++e) {
      const std::size_t entry = ifd + 2 + 12 * e;
      const std::uint32_t tag = at(entry, 2, big);
      if (tag == 256 || tag == 257) size[tag - 256] = at(entry + 8, at(entry + 2, 2, big) == 3 ? 2 : 4, big);
    }
    return is(size[0], size[1], true);
  }
  return false;
}

// Decodes on a thread of its own, one file at a time, as the saver's
// preloader does, so that a decode that never returns fails the test instead
// of stopping it (the worker is then left behind, holding its own state).
class DecodeWorker {
 public:
  DecodeWorker() : state_(std::make_shared<State>()) {
    std::thread([state = state_] { state->run(); }).detach();
  }
  ~DecodeWorker() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->quit = true;
    state_->changed.notify_all();
  }
  DecodeWorker(const DecodeWorker&) = delete;
  DecodeWorker& operator=(const DecodeWorker&) = delete;

  // Empty when the decode has not returned within `limit`.
  std::optional<PictureLoad> decode(const std::string& path, std::chrono::seconds limit) {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->job = path;
    state_->done.reset();
    state_->changed.notify_all();
    if (!state_->changed.wait_for(lock, limit, [&] { return state_->done.has_value(); })) return std::nullopt;
    return std::move(state_->done);
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::string> job;
    std::optional<PictureLoad> done;
    bool quit = false;

    void run() {
      WicPictureLoader loader;
      std::unique_lock<std::mutex> lock(mutex);
      for (;;) {
        changed.wait(lock, [&] { return quit || job.has_value(); });
        if (quit) return;
        const std::string path = std::move(*job);
        job.reset();
        lock.unlock();
        PictureLoad load = loader.load(path);
        lock.lock();
        done = std::move(load);
        changed.notify_all();
      }
    }
  };
  std::shared_ptr<State> state_;
};

struct Tally {
  int decoded = 0;
  int refused = 0;
  int unchanged = 0;  // mutations that left the seed as it was
};

TEST(PictureDamage, DamagedPicturesDecodeWholeOrFailCleanly) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  const std::string dir = tempFolder("lumova-damage");
  std::vector<Seed> seeds = {
      {"BMP", ".bmp", GUID_ContainerFormatBmp, false, 37, 23, {}},
      {"BMP", ".bmp", GUID_ContainerFormatBmp, true, 16, 9, {}},
      {"JPEG", ".jpg", GUID_ContainerFormatJpeg, false, 40, 24, {}},
      {"JPEG", ".jpg", GUID_ContainerFormatJpeg, false, 9, 33, {}},
      {"PNG", ".png", GUID_ContainerFormatPng, false, 37, 23, {}},
      {"PNG", ".png", GUID_ContainerFormatPng, true, 20, 12, {}},
      {"GIF", ".gif", GUID_ContainerFormatGif, true, 37, 23, {}},
      {"GIF", ".gif", GUID_ContainerFormatGif, true, 8, 30, {}},
      {"TIFF", ".tif", GUID_ContainerFormatTiff, false, 37, 23, {}},
      {"TIFF", ".tif", GUID_ContainerFormatTiff, true, 12, 20, {}},
  };
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    Seed& s = seeds[i];
    const std::string path = dir + "seed" + std::to_string(i) + s.extension;
    ASSERT_EQ(
        testing::encodeWithWic(path, s.container, s.width, s.height, pattern(s.width, s.height),
                               s.indexed ? std::span<const std::uint32_t>(kPalette) : std::span<const std::uint32_t>()),
        S_OK)
        << s.format;
    s.bytes = readBytes(path);
    ASSERT_GT(s.bytes.size(), 16u) << s.format;
    // The undamaged seed decodes, at its own size.
    WicPictureLoader loader;
    const PictureLoad whole = loader.load(path);
    ASSERT_TRUE(whole) << s.format;
    EXPECT_EQ(whole.picture->width(), s.width) << s.format;
    EXPECT_EQ(whole.picture->height(), s.height) << s.format;
  }

  constexpr int kPerSeed = 110;
  DecodeWorker worker;
  std::map<std::string, Tally> tally;
  std::map<PictureError, int> reasons;
  const auto started = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    const Seed& seed = seeds[i];
    std::mt19937 rng(static_cast<std::uint32_t>(1000 + i));
    for (int n = 0; n < kPerSeed; ++n) {
      const auto kind = static_cast<Damage>(n % static_cast<int>(Damage::kCount));
      const Bytes bytes = damage(seed, seeds, kind, rng);
      if (bytes == seed.bytes) ++tally[seed.format].unchanged;
      const std::string path = dir + "damaged" + std::to_string(i) + "-" + std::to_string(n) + seed.extension;
      ASSERT_TRUE(writeBytes(path, bytes)) << path;

      std::optional<PictureLoad> decoded = worker.decode(path, kDecodeLimit);
      ASSERT_TRUE(decoded.has_value()) << seed.format << " seed " << i << " damage " << n << " hangs: " << path;
      const PictureLoad& load = *decoded;
      if (load) {
        ++tally[seed.format].decoded;
        EXPECT_TRUE(sizeMatchesHeader(bytes, *load.picture))
            << seed.format << " seed " << i << " damage " << n << " decoded at " << load.picture->width() << "x"
            << load.picture->height() << ": " << path;
      } else {
        ++tally[seed.format].refused;
        ++reasons[load.error];
        EXPECT_NE(load.error, PictureError::None) << path;
        EXPECT_NE(load.error, PictureError::NotFound) << path;
      }
      if (!HasFailure()) DeleteFileA(path.c_str());
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  std::printf("damaged pictures: %d in %.1f s\n", kPerSeed * static_cast<int>(seeds.size()), seconds);
  // Every mutation came back one way or the other, nearly all of them changed
  // their file, and each format met files it takes as well as files it refuses.
  ASSERT_EQ(tally.size(), 5u);
  for (const auto& [format, t] : tally) {
    std::printf("  %-5s %4d decoded %4d refused %d unchanged\n", format.c_str(), t.decoded, t.refused, t.unchanged);
    EXPECT_EQ(t.decoded + t.refused, 2 * kPerSeed) << format;
    EXPECT_GT(t.decoded, 0) << format;
    EXPECT_GT(t.refused, 0) << format;
    EXPECT_LE(t.unchanged, 2 * kPerSeed / 10) << format;
  }
  std::printf("  refused as not a picture %d, too large %d, unreadable %d\n", reasons[PictureError::NotAPicture],
              reasons[PictureError::TooLarge], reasons[PictureError::Unreadable]);
  for (std::size_t i = 0; i < seeds.size(); ++i)
    DeleteFileA((dir + "seed" + std::to_string(i) + seeds[i].extension).c_str());
  RemoveDirectoryA(dir.c_str());
  CoUninitialize();
}

}  // namespace
}  // namespace lumova::win32
