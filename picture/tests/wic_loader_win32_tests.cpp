// The WIC loader against pictures written at test time by WIC's own
// encoders (and a few GIFs and headers built byte by byte), under Wine.
#include <gtest/gtest.h>
#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "picture/tests/orientation_cases.h"
#include "picture/tests/picture_bytes.h"
#include "common/text_win32.h"
#include "picture/wic_decode_win32.h"
#include "picture/wic_loader_win32.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/temp_files_win32.h"
#include "tests/support/wic_encode_win32.h"

namespace lumova::win32 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Opaque test colours, 0xAARRGGBB.
constexpr std::uint32_t kColours[8] = {0xFF000000, 0xFFFFFFFF, 0xFFE01010, 0xFF10C020,
                                       0xFF2030E0, 0xFFF0D000, 0xFF00C0C0, 0xFF808080};

// Not symmetric in x or y, so a flipped or shifted picture shows.
int patternIndex(int x, int y) { return (x / 3 + 2 * (y / 2) + (x > y ? 1 : 0)) % 8; }

// Flat 16x16 blocks, so JPEG's chroma subsampling keeps each colour.
int blockIndex(int x, int y) { return (x / 16 + 3 * (y / 16)) % 8; }

void writeFile(const std::string& path, const Bytes& bytes) { ASSERT_TRUE(testing::writeBytes(path, bytes)) << path; }

Bytes head(const Bytes& bytes, std::size_t n) {
  return Bytes(bytes.begin(), bytes.begin() + std::min(n, bytes.size()));
}

void putLe16(Bytes& b, std::uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void putLe32(Bytes& b, std::uint32_t v) {
  putLe16(b, v & 0xFFFF);
  putLe16(b, v >> 16);
}
void putBe16(Bytes& b, std::uint32_t v) {
  b.push_back((v >> 8) & 0xFF);
  b.push_back(v & 0xFF);
}
void putBe32(Bytes& b, std::uint32_t v) {
  putBe16(b, v >> 16);
  putBe16(b, v & 0xFFFF);
}

HRESULT encodeWithWic(const std::string& path, const GUID& container, int width, int height,
                      const std::vector<std::uint32_t>& argb, bool indexed = false) {
  return testing::encodeWithWic(path, container, width, height, argb,
                                indexed ? std::span<const std::uint32_t>(kColours) : std::span<const std::uint32_t>());
}

// A GIF built by hand: what WIC's encoder cannot be asked for (a frame smaller
// than the screen, transparency, a second frame). The LZW stream restarts with
// a clear code before the table grows, so every code is a plain colour index.
struct GifFrame {
  int left, top, width, height;
  std::vector<std::uint8_t> indices;
  int transparent = -1;
};

Bytes makeGif(int screenWidth, int screenHeight, const std::vector<GifFrame>& frames) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  putLe16(b, screenWidth);
  putLe16(b, screenHeight);
  b.push_back(0xF2);  // global table of 8 colours
  b.push_back(0);
  b.push_back(0);
  for (std::uint32_t c : kColours) {
    b.push_back((c >> 16) & 0xFF);
    b.push_back((c >> 8) & 0xFF);
    b.push_back(c & 0xFF);
  }
  for (const GifFrame& f : frames) {
    if (f.transparent >= 0) {
      b.insert(b.end(), {0x21, 0xF9, 4, 1, 0, 0, static_cast<std::uint8_t>(f.transparent), 0});
    }
    b.push_back(0x2C);
    putLe16(b, f.left);
    putLe16(b, f.top);
    putLe16(b, f.width);
    putLe16(b, f.height);
    b.push_back(0);
    const int minCodeSize = 3, clear = 8, end = 9, codeBits = 4, perClear = 5;
    b.push_back(minCodeSize);
    Bytes packed;
    std::uint32_t acc = 0;
    int accBits = 0;
    auto emit = [&](int code) {
      acc |= static_cast<std::uint32_t>(code) << accBits;
      accBits += codeBits;
      while (accBits >= 8) {
        packed.push_back(acc & 0xFF);
        acc >>= 8;
        accBits -= 8;
      }
    };
    for (std::size_t i = 0; i < f.indices.size(); ++i) {
      if (i % perClear == 0) emit(clear);
      emit(f.indices[i]);
    }
    emit(end);
    if (accBits > 0) packed.push_back(acc & 0xFF);
    for (std::size_t i = 0; i < packed.size(); i += 255) {
      const std::size_t n = std::min<std::size_t>(255, packed.size() - i);
      b.push_back(static_cast<std::uint8_t>(n));
      b.insert(b.end(), packed.begin() + i, packed.begin() + i + n);
    }
    b.push_back(0);
  }
  b.push_back(0x3B);
  return b;
}

std::vector<std::uint8_t> indexPattern(int width, int height, const std::function<int(int, int)>& index) {
  std::vector<std::uint8_t> out;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.push_back(static_cast<std::uint8_t>(index(x, y)));
  return out;
}

std::vector<std::uint32_t> colourPattern(int width, int height, const std::function<int(int, int)>& index) {
  std::vector<std::uint32_t> out;
  for (std::uint8_t i : indexPattern(width, height, index)) out.push_back(kColours[i]);
  return out;
}

// Headers that claim a size and hold nothing after it.
Bytes bmpHeader(std::int32_t width, std::int32_t height) {
  Bytes b = {'B', 'M'};
  putLe32(b, 54);
  putLe32(b, 0);
  putLe32(b, 54);
  putLe32(b, 40);
  putLe32(b, static_cast<std::uint32_t>(width));
  putLe32(b, static_cast<std::uint32_t>(height));
  putLe16(b, 1);
  putLe16(b, 24);
  for (int i = 0; i < 6; ++i) putLe32(b, 0);
  return b;
}

// A complete 24-bit bitmap of the test pattern (for the exact size bound).
Bytes bmpPicture(int width, int height) {
  return testing::bmp24(width, height, [](int x, int y) { return kColours[patternIndex(x, y)] & 0xFFFFFF; });
}

// An icon (a format the probe does not know) holding one 32-bit bitmap of the
// test pattern: the directory, the header at twice the height (colour rows
// and the mask's), the colour rows bottom-up, an empty mask.
Bytes icoPicture(int width, int height) {
  Bytes b = {0, 0, 1, 0, 1, 0, static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height), 0, 0};
  const std::uint32_t maskStride = (width + 31) / 32 * 4;
  const std::uint32_t size = 40 + (width * 4 + maskStride) * height;
  putLe16(b, 1);
  putLe16(b, 32);
  putLe32(b, size);
  putLe32(b, 22);
  for (std::uint32_t v : {40, width, 2 * height}) putLe32(b, v);
  putLe16(b, 1);
  putLe16(b, 32);
  for (int i = 0; i < 6; ++i) putLe32(b, 0);
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x) putLe32(b, kColours[patternIndex(x, y)]);
  b.resize(22 + size, 0);
  return b;
}

std::uint32_t crc32(const std::uint8_t* p, std::size_t n) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

Bytes pngHeader(std::uint32_t width, std::uint32_t height) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  putBe32(b, 13);
  const std::size_t type = b.size();
  b.insert(b.end(), {'I', 'H', 'D', 'R'});
  putBe32(b, width);
  putBe32(b, height);
  b.insert(b.end(), {8, 2, 0, 0, 0});
  putBe32(b, crc32(b.data() + type, b.size() - type));
  return b;
}

Bytes gifHeader(int width, int height) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  putLe16(b, width);
  putLe16(b, height);
  b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255, 0x2C, 0, 0, 0, 0});
  putLe16(b, width);
  putLe16(b, height);
  b.insert(b.end(), {0, 2, 2, 0x4C, 0x01, 0, 0x3B});
  return b;
}

// SOI, a baseline frame header and nothing else.
Bytes jpegHeader(int width, int height) {
  Bytes b = {0xFF, 0xD8, 0xFF, 0xC0};
  putBe16(b, 11);
  b.push_back(8);
  putBe16(b, height);
  putBe16(b, width);
  b.insert(b.end(), {1, 1, 0x11, 0});
  b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

Bytes tiffHeader(std::uint32_t width, std::uint32_t height) {
  Bytes b = {'I', 'I', 42, 0};
  putLe32(b, 8);
  const std::uint16_t tags[][2] = {{256, 0}, {257, 0}, {258, 8}, {259, 1}, {262, 1}, {273, 200}, {278, 1}, {279, 1}};
  putLe16(b, 8);
  for (const auto& t : tags) {
    putLe16(b, t[0]);
    putLe16(b, 4);  // LONG
    putLe32(b, 1);
    putLe32(b, t[0] == 256 ? width : t[0] == 257 ? height : t[1]);
  }
  putLe32(b, 0);
  b.resize(201, 0x80);
  return b;
}

Bytes randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  Bytes b(n);
  for (auto& v : b) v = static_cast<std::uint8_t>(gen());
  if (!b.empty() && b[0] == 0xFF) b[0] = 0x42;  // garbage, not a marker
  return b;
}

Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

int channelDistance(std::uint32_t a, std::uint32_t b) {
  int worst = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
  }
  return worst;
}

// The first pixel off by more than `tolerance`, or "" when all match.
std::string comparePixels(const DibPicture& picture, int width, int height,
                          const std::function<std::uint32_t(int, int)>& expected, int tolerance) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t got = picture.pixel(x, y), want = expected(x, y);
      if (channelDistance(got, want) > tolerance) {
        char text[96];
        std::snprintf(text, sizeof text, "pixel (%d,%d) is %08lX, expected %08lX", x, y,
                      static_cast<unsigned long>(got), static_cast<unsigned long>(want));
        return text;
      }
    }
  }
  return "";
}

const DibPicture& dib(const PictureLoad& load) { return static_cast<const DibPicture&>(*load.picture); }

class WicLoader : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    dir_ = new std::string(testing::tempFolder("lumova-wic"));
  }
  static void TearDownTestSuite() {
    const std::string pattern = *dir_ + "*";
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern.c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileA((*dir_ + found.cFileName).c_str());
      } while (FindNextFileA(h, &found));
      FindClose(h);
    }
    RemoveDirectoryA(dir_->c_str());
    delete dir_;
    CoUninitialize();
  }
  static std::string path(const std::string& name) { return *dir_ + name; }

  // The JPEG used by the copies and truncations below.
  static std::string jpegPath() {
    const std::string p = path("blocks.jpg");
    if (GetFileAttributesA(p.c_str()) == INVALID_FILE_ATTRIBUTES) {
      EXPECT_EQ(encodeWithWic(p, GUID_ContainerFormatJpeg, 64, 48, colourPattern(64, 48, blockIndex)), S_OK);
    }
    return p;
  }
  static std::string encoded(const std::string& name, const GUID& container, bool indexed = false) {
    const std::string p = path(name);
    EXPECT_EQ(encodeWithWic(p, container, 37, 23, colourPattern(37, 23, patternIndex), indexed), S_OK) << name;
    return p;
  }

  WicPictureLoader loader_;
  static std::string* dir_;
};
std::string* WicLoader::dir_ = nullptr;

TEST_F(WicLoader, EachFormatDecodesToItsSizeAndPixels) {
  const std::string bmp = encoded("pattern.bmp", GUID_ContainerFormatBmp);
  writeFile(path("pattern.dib"), testing::readBytes(bmp));
  writeFile(path("pattern.ico"), icoPicture(37, 23));
  writeFile(path("blocks.jif"), testing::readBytes(jpegPath()));
  struct Row {
    std::string file;
    int width, height;
    std::function<int(int, int)> index;
    int tolerance;
  } rows[] = {
      {bmp, 37, 23, patternIndex, 0},
      {path("pattern.dib"), 37, 23, patternIndex, 0},
      {encoded("pattern.png", GUID_ContainerFormatPng), 37, 23, patternIndex, 0},
      {encoded("pattern.gif", GUID_ContainerFormatGif, true), 37, 23, patternIndex, 0},
      {encoded("pattern.tif", GUID_ContainerFormatTiff), 37, 23, patternIndex, 0},
      {jpegPath(), 64, 48, blockIndex, 24},
      {path("blocks.jif"), 64, 48, blockIndex, 24},
      {path("pattern.ico"), 37, 23, patternIndex, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    const PictureLoad load = loader_.load(row.file);
    ASSERT_TRUE(load) << static_cast<int>(load.error);
    EXPECT_EQ(load.error, PictureError::None);
    ASSERT_EQ(load.picture->width(), row.width);
    ASSERT_EQ(load.picture->height(), row.height);
    const DibPicture& picture = dib(load);
    EXPECT_EQ(picture.stride(), row.width * 4);
    EXPECT_EQ(
        comparePixels(
            picture, row.width, row.height, [&](int x, int y) { return kColours[row.index(x, y)]; }, row.tolerance),
        "");
    BITMAP info{};
    ASSERT_EQ(GetObjectA(picture.bitmap(), sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, row.width);
    EXPECT_EQ(info.bmHeight, row.height);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(info.bmBits, picture.bits());
    EXPECT_TRUE(picture.opaque());
  }
}

TEST_F(WicLoader, FittingAveragesTheAreaEachPixelCovers) {
  // Checkerboards of yellow and blue, which average to grey: a nearest-pixel
  // copy would leave one of the two. PNG (32 bits a pixel) and a 24-bit bitmap
  // of 1-pixel squares halved, and a large JPEG of 2-pixel squares (which its
  // coding keeps) quartered, where the decoder may do part of it.
  auto board = [](int square) {
    return [square](int x, int y) { return (x / square + y / square) % 2 ? 0xE0E020u : 0x2020E0u; };
  };
  std::vector<std::uint32_t> argb;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) argb.push_back(0xFF000000u | board(1)(x, y));
  const std::string png = path("board.png");
  ASSERT_EQ(encodeWithWic(png, GUID_ContainerFormatPng, 64, 48, argb), S_OK);
  writeFile(path("board.bmp"), testing::bmp24(64, 48, board(1)));
  std::vector<std::uint32_t> large;
  for (int y = 0; y < 1200; ++y)
    for (int x = 0; x < 1600; ++x) large.push_back(0xFF000000u | board(2)(x, y));
  const std::string jpeg = path("board-large.jpg");
  ASSERT_EQ(encodeWithWic(jpeg, GUID_ContainerFormatJpeg, 1600, 1200, large), S_OK);
  const struct {
    std::string file;
    PictureSize box, fitted;
    int tolerance;
  } rows[] = {
      {png, {32, 32}, {32, 24}, 1}, {path("board.bmp"), {32, 32}, {32, 24}, 1}, {jpeg, {400, 400}, {400, 300}, 8}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const PictureLoad load = loader_.load(PictureRequest{row.file, row.box});
    ASSERT_TRUE(load);
    ASSERT_EQ(load.picture->width(), row.fitted.width);
    ASSERT_EQ(load.picture->height(), row.fitted.height);
    EXPECT_EQ(comparePixels(
                  dib(load), row.fitted.width, row.fitted.height, [](int, int) { return 0xFF808080u; }, row.tolerance),
              "");
    EXPECT_TRUE(dib(load).opaque());
  }
  // No box, or one it fits: the natural size.
  EXPECT_EQ(loader_.load(PictureRequest{png, {64, 48}}).picture->width(), 64);
  EXPECT_EQ(loader_.load(PictureRequest{png, {}}).picture->width(), 64);
}

#ifdef LUMOVA_ORIENTATION_PICTURES
// The pictures the build marked with each orientation, where Wine sees the
// build tree (drive Z: is the root).
std::string markedPicture(const std::string& name) {
  std::string path = std::string("Z:") + LUMOVA_ORIENTATION_PICTURES + "/" + name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

TEST_F(WicLoader, OrientationMarksTurnPicturesUpright) {
  // TIFF keeps every colour exactly; the JPEGs (quality 100, no chroma
  // subsampling) within a little: Wine decodes them within 1.
  for (const testdata::OrientationCase& c : testdata::kOrientationCases) {
    for (const char* kind : {"-ii.tif", "-mm.tif", "-ii.jpg", "-mm.jpg"}) {
      const std::string file = markedPicture("o" + std::to_string(c.orientation) + kind);
      SCOPED_TRACE(file);
      const PictureLoad load = loader_.load(file);
      ASSERT_TRUE(load) << static_cast<int>(load.error);
      ASSERT_EQ(load.picture->width(), c.width);
      ASSERT_EQ(load.picture->height(), c.height);
      const int tolerance = std::string(kind).ends_with(".tif") ? 0 : 4;
      EXPECT_EQ(
          comparePixels(
              dib(load), c.width, c.height,
              [&](int x, int y) { return testdata::patternColour(testdata::patternAt(c.upright, x, y)); }, tolerance),
          "");
      EXPECT_TRUE(dib(load).opaque());
    }
  }
}
#endif

// The WIC-encoded JPEG at `path` with an Exif block marking it `orientation`,
// written beside it as `name`.
std::string markedCopy(const std::string& path, const std::string& name, std::uint32_t orientation) {
  testdata::TiffLayout exif;
  exif.bigEndian = true;
  exif.directories = {testdata::cameraDirectory(orientation)};
  const std::string copy = path.substr(0, path.find_last_of('\\') + 1) + name;
  writeFile(copy, testdata::withExif(testing::readBytes(path), exif.bytes()));
  return copy;
}

TEST_F(WicLoader, SidewaysPicturesFitTheBoxUpright) {
  // 64x48 stored, turned a quarter clockwise: 48x64 upright, where (x, y)
  // shows the stored (y, 47 - x).
  const std::string quarter = markedCopy(jpegPath(), "blocks-6.jpg", 6);
  const PictureLoad whole = loader_.load(quarter);
  ASSERT_TRUE(whole);
  ASSERT_EQ(whole.picture->width(), 48);
  ASSERT_EQ(whole.picture->height(), 64);
  for (int y = 8; y < 64; y += 16)
    for (int x = 7; x < 48; x += 16) {
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
      EXPECT_LE(channelDistance(dib(whole).pixel(x, y), kColours[blockIndex(y, 47 - x)]), 24);
    }
  // Fitted within 40x20 as 48x64: 15x20. (Fitting the stored 64x48 first
  // would give 27x20, 20x27 once turned.)
  const PictureLoad small = loader_.load(PictureRequest{quarter, {40, 20}});
  ASSERT_TRUE(small);
  EXPECT_EQ(small.picture->width(), 15);
  EXPECT_EQ(small.picture->height(), 20);

  // A large one turned a quarter anticlockwise, fitted to a quarter of its
  // size (the decoder's own reduced decode, where it has one): 1200x1600
  // upright becomes 300x400, and stored block (bx, by) lands at about
  // (4 by + 2, 397 - 4 bx).
  const std::string large = path("blocks-large-8.jpg");
  ASSERT_EQ(encodeWithWic(large, GUID_ContainerFormatJpeg, 1600, 1200, colourPattern(1600, 1200, blockIndex)), S_OK);
  const std::string anticlockwise = markedCopy(large, "blocks-large-8-marked.jpg", 8);
  const PictureLoad fitted = loader_.load(PictureRequest{anticlockwise, {400, 400}});
  ASSERT_TRUE(fitted);
  ASSERT_EQ(fitted.picture->width(), 300);
  ASSERT_EQ(fitted.picture->height(), 400);
  for (int by = 0; by < 75; by += 7)
    for (int bx = 0; bx < 100; bx += 9) {
      SCOPED_TRACE(std::to_string(bx) + "," + std::to_string(by));
      EXPECT_LE(channelDistance(dib(fitted).pixel(4 * by + 2, 397 - 4 * bx), kColours[blockIndex(bx * 16, by * 16)]),
                24);
    }
}

TEST_F(WicLoader, ContentDecidesTheFormatNotTheName) {
  const std::string png = encoded("named-wrongly.png", GUID_ContainerFormatPng);
  writeFile(path("named-wrongly.bmp"), testing::readBytes(png));
  const PictureLoad load = loader_.load(path("named-wrongly.bmp"));
  ASSERT_TRUE(load);
  EXPECT_EQ(load.picture->width(), 37);
}

TEST_F(WicLoader, TransparentPixelsComeOutBlendedOntoBlack) {
  // PNG with alpha: clear, half-covered red, opaque blue.
  const std::vector<std::uint32_t> argb = {0x00FFFFFF, 0x80FF0000, 0xFF0000FF, 0x00000000};
  const std::string png = path("alpha.png");
  ASSERT_EQ(encodeWithWic(png, GUID_ContainerFormatPng, 2, 2, argb), S_OK);
  const PictureLoad load = loader_.load(png);
  ASSERT_TRUE(load);
  EXPECT_EQ(dib(load).pixel(0, 0), 0x00000000u);
  EXPECT_LE(channelDistance(dib(load).pixel(1, 0), 0x80800000u), 1);
  EXPECT_EQ(dib(load).pixel(0, 1), 0xFF0000FFu);

  // GIF with a transparent colour index (2).
  writeFile(path("clear.gif"), makeGif(2, 1, {{0, 0, 2, 1, {2, 4}, 2}}));
  const PictureLoad gif = loader_.load(path("clear.gif"));
  ASSERT_TRUE(gif);
  EXPECT_EQ(dib(gif).pixel(0, 0), 0x00000000u);
  EXPECT_EQ(dib(gif).pixel(1, 0), kColours[4]);

  // On a surface of one colour (RGB 10, 200, 40), what is clear shows it.
  EXPECT_FALSE(dib(load).opaque());
  EXPECT_FALSE(dib(gif).opaque());
  const std::uint32_t green = 10 | (200 << 8) | (40 << 16);
  const auto matted = dib(load).overColour(green);
  ASSERT_TRUE(matted);
  EXPECT_TRUE(matted->opaque());
  EXPECT_EQ(matted->pixel(0, 0), 0xFF0AC828u);
  EXPECT_LE(channelDistance(matted->pixel(1, 0), 0xFF856414u), 1);  // half red, half green
  EXPECT_EQ(matted->pixel(0, 1), 0xFF0000FFu);
  EXPECT_EQ(dib(gif).overColour(green)->pixel(0, 0), 0xFF0AC828u);
}

TEST_F(WicLoader, GifShowsItsFirstFrameOnTheLogicalScreen) {
  // Screen 12x9; the first image covers 5x4 at (6,3); a second image, all
  // white over the whole screen, must not be shown.
  const auto first = indexPattern(5, 4, patternIndex);
  writeFile(path("frames.gif"),
            makeGif(12, 9, {{6, 3, 5, 4, first}, {0, 0, 12, 9, std::vector<std::uint8_t>(12 * 9, 1)}}));
  const PictureLoad load = loader_.load(path("frames.gif"));
  ASSERT_TRUE(load);
  ASSERT_EQ(load.picture->width(), 12);
  ASSERT_EQ(load.picture->height(), 9);
  EXPECT_EQ(comparePixels(
                dib(load), 12, 9,
                [](int x, int y) {
                  const bool inside = x >= 6 && x < 11 && y >= 3 && y < 7;
                  return inside ? kColours[patternIndex(x - 6, y - 3)] : 0u;
                },
                0),
            "");
}

TEST_F(WicLoader, BadFilesFailWithTheirError) {
  const Bytes jpeg = testing::readBytes(jpegPath());
  const Bytes png = testing::readBytes(encoded("whole.png", GUID_ContainerFormatPng));
  const Bytes gif = testing::readBytes(encoded("whole.gif", GUID_ContainerFormatGif, true));
  const Bytes bmp = testing::readBytes(encoded("whole.bmp", GUID_ContainerFormatBmp));
  const Bytes tif = testing::readBytes(encoded("whole.tif", GUID_ContainerFormatTiff));
  ASSERT_FALSE(jpeg.empty() || png.empty() || gif.empty() || bmp.empty() || tif.empty());
  const Bytes text = {'J', 'u', 's', 't', ' ', 's', 'o', 'm', 'e', ' ', 't', 'e', 'x', 't', '\r', '\n'};
  // Up to and including the frame header: SOI, APP0/quant tables, SOF.
  std::size_t jpegHeaderEnd = 2;
  while (jpegHeaderEnd + 4 < jpeg.size() && jpeg[jpegHeaderEnd + 1] != 0xC0) {
    jpegHeaderEnd += 2 + (jpeg[jpegHeaderEnd + 2] << 8 | jpeg[jpegHeaderEnd + 3]);
  }
  jpegHeaderEnd += 2 + (jpeg[jpegHeaderEnd + 2] << 8 | jpeg[jpegHeaderEnd + 3]);
  const Bytes noise = randomBytes(4000, 7);
  struct Row {
    const char* name;
    Bytes bytes;
    PictureError expected;
  } rows[] = {
      {"empty.jpg", {}, PictureError::NotAPicture},
      {"text.jpg", text, PictureError::NotAPicture},
      {"noise.bmp", noise, PictureError::NotAPicture},
      {"half.jpg", head(jpeg, jpeg.size() / 2), PictureError::NotAPicture},
      {"no-end.jpg", head(jpeg, jpeg.size() - 2), PictureError::NotAPicture},
      {"headers-only.jpg", head(jpeg, jpegHeaderEnd), PictureError::NotAPicture},
      {"half.png", head(png, png.size() / 2), PictureError::NotAPicture},
      {"no-end.png", head(png, png.size() - 6), PictureError::NotAPicture},
      {"half.gif", head(gif, gif.size() / 2), PictureError::NotAPicture},
      {"no-trailer.gif", head(gif, gif.size() - 1), PictureError::NotAPicture},
      {"half.bmp", head(bmp, bmp.size() / 2), PictureError::NotAPicture},
      {"short.bmp", head(bmp, bmp.size() - 1), PictureError::NotAPicture},
      {"half.tif", head(tif, tif.size() / 2), PictureError::NotAPicture},
      {"noisy.jpg", concat(head(jpeg, jpegHeaderEnd), noise), PictureError::NotAPicture},
      {"noisy.png", concat(head(png, 33), noise), PictureError::NotAPicture},
      {"noisy.gif", concat(head(makeGif(4, 4, {}), 13 + 3 * 8), noise), PictureError::NotAPicture},
      // Claimed by the icon decoder, which cannot decode them.
      {"half.ico", head(icoPicture(37, 23), 1900), PictureError::NotAPicture},
      {"header-only.ico", head(icoPicture(37, 23), 62), PictureError::NotAPicture},
      {"huge.bmp", bmpHeader(100000, 100000), PictureError::TooLarge},
      {"huge-bottom-up.bmp", bmpHeader(100000, -100000), PictureError::TooLarge},
      {"huge.png", pngHeader(100000, 100000), PictureError::TooLarge},
      {"huge.gif", gifHeader(65535, 65535), PictureError::TooLarge},
      {"huge.jpg", jpegHeader(65535, 65535), PictureError::TooLarge},
      {"huge.tif", tiffHeader(100000, 100000), PictureError::TooLarge},
      {"wide.jpg", jpegHeader(16385, 1), PictureError::TooLarge},
      {"tall.png", pngHeader(1, 16385), PictureError::TooLarge},
      {"many.bmp", bmpHeader(8193, 8192), PictureError::TooLarge},
      {"many.gif", gifHeader(8192, 8193), PictureError::TooLarge},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    writeFile(path(row.name), row.bytes);
    const PictureLoad load = loader_.load(path(row.name));
    EXPECT_FALSE(load);
    EXPECT_EQ(load.picture, nullptr);
    EXPECT_EQ(static_cast<int>(load.error), static_cast<int>(row.expected));
  }
}

TEST_F(WicLoader, BoundAllowsSixteenThousandThreeHundredEightyFourASide) {
  writeFile(path("widest.bmp"), bmpPicture(16384, 1));
  writeFile(path("too-wide.bmp"), bmpPicture(16385, 1));
  const PictureLoad widest = loader_.load(path("widest.bmp"));
  ASSERT_TRUE(widest);
  EXPECT_EQ(widest.picture->width(), 16384);
  EXPECT_EQ(dib(widest).pixel(16383, 0), kColours[patternIndex(16383, 0)]);
  EXPECT_EQ(loader_.load(path("too-wide.bmp")).error, PictureError::TooLarge);
}

TEST_F(WicLoader, MissingAndUnreadableFiles) {
  EXPECT_EQ(loader_.load("").error, PictureError::NotFound);
  EXPECT_EQ(loader_.load(path("absent.jpg")).error, PictureError::NotFound);
  EXPECT_EQ(loader_.load(path("no-such-folder\\absent.jpg")).error, PictureError::NotFound);
  EXPECT_EQ(loader_.load(dir_->substr(0, dir_->size() - 1)).error, PictureError::Unreadable);  // a folder

  const std::string locked = encoded("locked.bmp", GUID_ContainerFormatBmp);
  HANDLE h = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(loader_.load(locked).error, PictureError::Unreadable);
  CloseHandle(h);
  EXPECT_TRUE(loader_.load(locked));
}

TEST_F(WicLoader, PathsAreUtf8InAnyScript) {
  // Greek, Japanese and a character of two UTF-16 units, in a Cyrillic folder.
  const std::string folder = path("\u0424\u043E\u0442\u043E");
  CreateDirectoryW(toWide(folder).c_str(), nullptr);
  const std::string name = folder + "\\\u03A9\u03BC\u03AD\u03B3\u03B1 \u65E5\u672C \U0001F600.bmp";
  HANDLE h = CreateFileW(toWide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const Bytes bmp = bmpPicture(3, 2);
  DWORD written = 0;
  WriteFile(h, bmp.data(), static_cast<DWORD>(bmp.size()), &written, nullptr);
  CloseHandle(h);
  const PictureLoad load = loader_.load(name);
  DeleteFileW(toWide(name).c_str());
  RemoveDirectoryW(toWide(folder).c_str());
  ASSERT_TRUE(load) << static_cast<int>(load.error);
  EXPECT_EQ(load.picture->width(), 3);
}

TEST_F(WicLoader, DecodesOnOtherThreadsAtOnce) {
  const std::string jpeg = jpegPath();
  const std::string png = encoded("threads.png", GUID_ContainerFormatPng);
  PictureLoad results[4];
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] { results[i] = WicPictureLoader().load(i % 2 ? png : jpeg); });
  }
  for (auto& t : threads) t.join();
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(results[i]);
    EXPECT_EQ(results[i].picture->width(), i % 2 ? 37 : 64);
  }
  // A picture made on a worker is drawn by this thread.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, dib(results[1]).bitmap());
  EXPECT_NE(old, nullptr);
  EXPECT_EQ(GetPixel(dc, 0, 0) & 0xFFFFFF,
            RGB((kColours[patternIndex(0, 0)] >> 16) & 0xFF, (kColours[patternIndex(0, 0)] >> 8) & 0xFF,
                kColours[patternIndex(0, 0)] & 0xFF));
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

// A 24-bit frame of 64x48 that offers a reduced decode at `closest`: the
// full-size pixels are a yellow and blue checkerboard (grey on average), the
// reduced ones red and green (olive). Counts the rows each side gave.
class ReducingFrame final : public IWICBitmapFrameDecode, public IWICBitmapSourceTransform {
 public:
  explicit ReducingFrame(PictureSize closest) : closest_(closest) {}
  int fullRows = 0, reducedRows = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == kIidBitmapSourceTransform ? static_cast<void*>(static_cast<IWICBitmapSourceTransform*>(this))
           : iid == IID_IUnknown || iid == IID_IWICBitmapSource || iid == IID_IWICBitmapFrameDecode
               ? static_cast<void*>(static_cast<IWICBitmapFrameDecode*>(this))
               : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetSize(UINT* w, UINT* h) override { return *w = 64, *h = 48, S_OK; }
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* f) override {
    return *f = GUID_WICPixelFormat24bppBGR, S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetResolution(double* x, double* y) override { return *x = *y = 96, S_OK; }
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* r, UINT stride, UINT size, BYTE* out) override {
    fullRows += r->Height;
    return fill(*r, 64, 48, stride, size, out, 0xE0E020, 0x2020E0);
  }
  HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetColorContexts(UINT, IWICColorContext**, UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* r, UINT w, UINT h, WICPixelFormatGUID* f,
                                       WICBitmapTransformOptions t, UINT stride, UINT size, BYTE* out) override {
    if (w != static_cast<UINT>(closest_.width) || h != static_cast<UINT>(closest_.height) || t != 0 ||
        *f != GUID_WICPixelFormat24bppBGR)
      return E_INVALIDARG;
    reducedRows += r->Height;
    return fill(*r, w, h, stride, size, out, 0xFF0000, 0x00FF00);
  }
  HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* w, UINT* h) override {
    return *w = closest_.width, *h = closest_.height, S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* f) override {
    return *f = GUID_WICPixelFormat24bppBGR, S_OK;
  }
  HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions t, BOOL* yes) override {
    return *yes = t == 0, S_OK;
  }

 private:
  static HRESULT fill(const WICRect& r, UINT w, UINT h, UINT stride, UINT size, BYTE* out, std::uint32_t a,
                      std::uint32_t b) {
    if (r.X != 0 || r.Width != static_cast<INT>(w) || r.Y < 0 || r.Y + r.Height > static_cast<INT>(h) ||
        stride < w * 3 || size < stride * (r.Height - 1) + w * 3)
      return E_INVALIDARG;
    for (INT y = 0; y < r.Height; ++y)
      for (UINT x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c) out[y * stride + x * 3 + c] = ((x + r.Y + y) % 2 ? a : b) >> (8 * c);
    return S_OK;
  }
  PictureSize closest_;
};

TEST(WicDecode, ReducedDecodingOnlyWhereItIsNotBelowTheTarget) {
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  ASSERT_EQ(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                             factory.putVoid()),
            S_OK);
  // Into 16x12: reduced at 32x24 (red and green averaged); not below the
  // target (8x6) nor at full size (64x48), which the full decode averages.
  const struct {
    PictureSize closest;
    bool reduced;
  } rows[] = {{{32, 24}, true}, {{8, 6}, false}, {{64, 48}, false}, {{32, 6}, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.closest.width) + "x" + std::to_string(row.closest.height));
    ReducingFrame frame(row.closest);
    std::vector<std::uint8_t> bits(16 * 12 * 4);
    ASSERT_EQ(decodeFrame(factory.get(), &frame, {bits.data(), 16, 12, 64}), S_OK);
    EXPECT_EQ(frame.reducedRows, row.reduced ? 24 : 0);
    EXPECT_EQ(frame.fullRows, row.reduced ? 0 : 48);
    for (std::size_t i = 0; i < bits.size(); i += 4) {
      const std::uint32_t got = bits[i] | bits[i + 1] << 8 | bits[i + 2] << 16 | std::uint32_t{bits[i + 3]} << 24;
      ASSERT_LE(channelDistance(got, row.reduced ? 0xFF808000u : 0xFF808080u), 1) << "pixel " << i / 4;
    }
  }
}

TEST(DibPicture, RefusesSizesOutsideTheBound) {
  EXPECT_EQ(DibPicture::create(0, 10), nullptr);
  EXPECT_EQ(DibPicture::create(10, -1), nullptr);
  EXPECT_EQ(DibPicture::create(16385, 1), nullptr);
  auto picture = DibPicture::create(3, 2);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->pixel(2, 1), 0u);  // starts transparent black
}

}  // namespace
}  // namespace lumova::win32
