#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture/picture_probe.h"
#include "picture/tests/picture_bytes.h"
#include "picture/upright_size.h"

namespace lumova {
namespace {

using namespace testdata;

const Bytes kScanHeader = jpegSegment(0xDA, {1, 1, 0, 0, 63, 0});
// Entropy data with a stuffed 0xFF, a restart marker and stray bytes before EOI.
const Bytes kScanData = {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD3, 0x56, 0x78};
// An EXIF block with a thumbnail's frame header inside: not the picture's.
const Bytes kExif = jpegSegment(0xE1, cat({text("Exif"), {0, 0}, kSoi, jpegFrame(160, 120), kEoi}));
const Bytes kJpeg = cat({kSoi, kExif, jpegFrame(640, 480), kScanHeader, kScanData, kEoi});

const Bytes kIhdr = pngChunk("IHDR", {0, 0, 0x03, 0x20, 0, 0, 0x02, 0x58, 8, 2, 0, 0, 0});  // 800 x 600
const Bytes kPng = cat({kPngSignature, kIhdr, pngChunk("IDAT", Bytes(300, 7)), pngChunk("IEND", {})});

// Screen 20x10 with an 8-colour table; images given as (left, top, w, h).
Bytes gifImage(int left, int top, int width, int height) {
  Bytes b = {0x2C};
  for (int v : {left, top, width, height}) b.insert(b.end(), {static_cast<std::uint8_t>(v), 0});
  b.insert(b.end(), {0, 3, 3, 1, 2, 3, 0});  // no local table, code size 3, one 3-byte data block
  return b;
}
const Bytes kGifHead = cat({text("GIF89a"), {20, 0, 10, 0, 0xF2, 0, 0}, Bytes(24, 0)});
const Bytes kGraphicControl = {0x21, 0xF9, 4, 1, 0, 0, 2, 0};
const Bytes kGif = cat({kGifHead, kGraphicControl, gifImage(4, 2, 25, 5), gifImage(0, 0, 20, 10), {0x3B}});

Bytes bmp(std::int32_t width, std::int32_t height, std::size_t dataBytes) {
  Bytes b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0};
  for (std::int32_t v : {width, height}) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
  }
  b.insert(b.end(), {1, 0, 24, 0});
  b.resize(54, 0);
  b.resize(54 + dataBytes, 0x55);
  return b;
}

TEST(PictureProbe, ReadsFormatSizeAndWholeness) {
  struct Row {
    const char* name;
    Bytes bytes;
    PictureFormat format;
    bool intact;
    std::int64_t width, height;
  } rows[] = {
      {"jpeg", kJpeg, PictureFormat::Jpeg, true, 640, 480},
      {"jpeg, data after the end", cat({kJpeg, text("trailer")}), PictureFormat::Jpeg, true, 640, 480},
      {"jpeg, fill bytes before a marker", cat({kSoi, {0xFF, 0xFF}, jpegFrame(8, 8), kScanHeader, kEoi}),
       PictureFormat::Jpeg, true, 8, 8},
      {"jpeg without its end", cut(kJpeg, 2), PictureFormat::Jpeg, false, 640, 480},
      {"jpeg cut inside the scan", cut(kJpeg, 5), PictureFormat::Jpeg, false, 640, 480},
      {"jpeg cut inside a segment", Bytes(kJpeg.begin(), kJpeg.begin() + 8), PictureFormat::Jpeg, false, 0, 0},
      {"jpeg with stray bytes between segments", cat({kSoi, jpegFrame(8, 8), {0x00}, kScanHeader, kEoi}),
       PictureFormat::Jpeg, false, 8, 8},
      {"jpeg without a frame", cat({kSoi, kExif, kEoi}), PictureFormat::Jpeg, false, 0, 0},
      {"png", kPng, PictureFormat::Png, true, 800, 600},
      {"png, data after the end", cat({kPng, Bytes(9, 1)}), PictureFormat::Png, true, 800, 600},
      {"png cut in its end chunk", cut(kPng, 1), PictureFormat::Png, false, 800, 600},
      {"png cut in its data", cut(kPng, 100), PictureFormat::Png, false, 800, 600},
      {"png with a garbled chunk", cat({kPngSignature, kIhdr, Bytes(12, 0x9C), pngChunk("IEND", {})}),
       PictureFormat::Png, false, 800, 600},
      {"png without a header chunk", cat({kPngSignature, pngChunk("IEND", {})}), PictureFormat::Png, false, 0, 0},
      {"gif, first image beyond the screen", kGif, PictureFormat::Gif, true, 29, 10},
      {"gif without its trailer", cut(kGif, 1), PictureFormat::Gif, false, 29, 10},
      {"gif cut in its second image", cut(kGif, 4), PictureFormat::Gif, false, 29, 10},
      {"gif with an unknown block", cat({kGifHead, {0x99}, gifImage(0, 0, 1, 1), {0x3B}}), PictureFormat::Gif, false, 0,
       0},
      {"gif without an image", cat({kGifHead, kGraphicControl, {0x3B}}), PictureFormat::Gif, false, 0, 0},
      {"bitmap", bmp(5, 3, 16 * 3), PictureFormat::Bmp, true, 5, 3},
      {"top-down bitmap", bmp(5, -3, 16 * 3), PictureFormat::Bmp, true, 5, 3},
      {"bitmap missing a byte", bmp(5, 3, 16 * 3 - 1), PictureFormat::Bmp, false, 5, 3},
      {"bitmap header claiming a huge size", bmp(100000, 100000, 0), PictureFormat::Bmp, true, 100000, 100000},
      {"tiff", cat({text("II*"), {0, 8, 0, 0, 0}}), PictureFormat::Tiff, true, 0, 0},
      {"text", text("not a picture at all"), PictureFormat::Unknown, false, 0, 0},
      {"nothing", {}, PictureFormat::Unknown, false, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const PictureProbe p = probePicture(row.bytes);
    EXPECT_EQ(p.format, row.format);
    EXPECT_EQ(p.intact, row.intact);
    EXPECT_EQ(p.width, row.width);
    EXPECT_EQ(p.height, row.height);
  }
}

TEST(PictureProbe, GifGivesTheFirstImageAndWhereItEnds) {
  const PictureProbe p = probePicture(kGif);
  EXPECT_EQ(p.frameLeft, 4);
  EXPECT_EQ(p.frameTop, 2);
  EXPECT_EQ(p.frameWidth, 25);
  EXPECT_EQ(p.frameHeight, 5);
  EXPECT_EQ(p.firstFrameEnd, kGifHead.size() + kGraphicControl.size() + gifImage(4, 2, 25, 5).size());
}

TEST(PictureProbe, EveryShorterFileIsNotIntact) {
  for (const Bytes& whole : {kJpeg, kPng, kGif, bmp(5, 3, 16 * 3)}) {
    ASSERT_TRUE(probePicture(whole).intact);
    for (std::size_t n = 0; n < whole.size(); ++n) {
      SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(probePicture(whole).format) << ", first " << n
                                      << " bytes");
      EXPECT_FALSE(probePicture(std::span(whole.data(), n)).intact);
    }
  }
}

TEST(PictureProbe, UprightSizeTurnsSidewaysMarkedJpegsAndKnowsNothingElse) {
  const auto marked = [](std::uint32_t orientation) {
    TiffLayout t;
    t.directories = {cameraDirectory(orientation)};
    return withExif(kJpeg, t.bytes());
  };
  struct Row {
    const char* name;
    Bytes bytes;
    std::optional<PictureSize> size;
  } rows[] = {
      {"jpeg", kJpeg, PictureSize{640, 480}},
      {"jpeg turned a quarter", marked(6), PictureSize{480, 640}},
      {"jpeg mirrored and turned", marked(5), PictureSize{480, 640}},
      {"jpeg upside down", marked(3), PictureSize{640, 480}},
      {"head of a jpeg, past its frame", cut(marked(8), 20), PictureSize{480, 640}},
      {"head of a jpeg, short of its frame", Bytes(kJpeg.begin(), kJpeg.begin() + 30), std::nullopt},
      {"png", cut(kPng, 100), PictureSize{800, 600}},
      {"gif", kGif, PictureSize{29, 10}},
      {"top-down bitmap", bmp(5, -3, 16 * 3), PictureSize{5, 3}},
      {"bitmap over the largest size", bmp(100000, 100000, 0), std::nullopt},
      {"tiff", cat({text("II*"), {0, 8, 0, 0, 0}}), std::nullopt},
      {"text", text("not a picture at all"), std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(uprightSizeOf(row.bytes), row.size);
  }
  EXPECT_TRUE(uprightSizeNeedsMore(Bytes(kJpeg.begin(), kJpeg.begin() + 30)));
  EXPECT_FALSE(uprightSizeNeedsMore(cut(kJpeg, 20)));
  EXPECT_FALSE(uprightSizeNeedsMore(cut(kPng, 100)));
}

}  // namespace
}  // namespace lumova
