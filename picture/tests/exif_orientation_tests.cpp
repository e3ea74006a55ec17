#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/exif_orientation.h"
#include "picture/tests/picture_bytes.h"

namespace lumova {
namespace {

using namespace testdata;

int orientationOf(const Bytes& bytes) { return exifOrientation(bytes.data(), bytes.size()); }

TiffLayout camera(std::uint32_t orientation, bool bigEndian = false) {
  TiffLayout t;
  t.bigEndian = bigEndian;
  t.directories = {cameraDirectory(orientation)};
  return t;
}
Bytes jpegWith(const Bytes& tiff) { return cat({kSoi, kJfif, exifSegment(tiff), jpegFrame(8, 8), kEoi}); }
Bytes jpegWith(const TiffLayout& t) { return jpegWith(t.bytes()); }

// A layout whose first directory holds one entry, with room after it.
TiffLayout single(TiffEntry entry, Bytes tail = {}) {
  TiffLayout t;
  t.directories = {{entry}};
  t.tail = std::move(tail);
  return t;
}
// Where a single() layout's tail starts.
constexpr std::uint32_t kSingleTail = 8 + 2 + 12 + 4;

TEST(ExifOrientation, ReadsEachMarkInJpegAndTiffOfBothByteOrders) {
  for (std::uint32_t n = 1; n <= 8; ++n) {
    for (bool bigEndian : {false, true}) {
      SCOPED_TRACE(testing::Message() << "orientation " << n << (bigEndian ? ", MM" : ", II"));
      EXPECT_EQ(orientationOf(jpegWith(camera(n, bigEndian))), static_cast<int>(n));
      EXPECT_EQ(orientationOf(camera(n, bigEndian).bytes()), static_cast<int>(n));
    }
  }
}

TEST(ExifOrientation, AnyDoubtGivesTheStoredOrientation) {
  const Bytes jpeg6 = jpegWith(camera(6));
  const Bytes exif6 = exifSegment(camera(6).bytes());
  TiffLayout thumbnailOnly;
  thumbnailOnly.directories = {{{256, kShort, 1, 8}}, {orientationEntry(6)}};
  TiffLayout selfPointing = camera(1);
  selfPointing.lastNext = 8;
  TiffLayout selfPointingMarked = camera(7);
  selfPointingMarked.lastNext = 8;
  TiffLayout atHeader = camera(6);
  atHeader.firstDirectory = 0;
  TiffLayout outside = camera(6);
  outside.firstDirectory = 0xFFFFFFF0;
  TiffLayout atEnd = camera(6);
  atEnd.firstDirectory = atEnd.tailOffset() - 1;
  TiffLayout bigTiff = camera(6);
  Bytes bigTiffBytes = bigTiff.bytes();
  bigTiffBytes[2] = 43;
  Bytes mixedOrder = camera(6).bytes();
  mixedOrder[1] = 'M';
  // Three SHORT values kept at an offset; the first is the mark.
  const Bytes values = {8, 0, 1, 0, 1, 0};
  struct Row {
    const char* name;
    Bytes bytes;
    int expected;
  } rows[] = {
      {"nothing", {}, 1},
      {"jpeg without an Exif block", cat({kSoi, kJfif, jpegFrame(8, 8), kEoi}), 1},
      {"no orientation tag", jpegWith(single({256, kShort, 1, 8})), 1},
      {"value 0", jpegWith(camera(0)), 1},
      {"value 9", jpegWith(camera(9)), 1},
      {"value 65535", jpegWith(camera(65535)), 1},
      {"value as a LONG", jpegWith(single({274, kLong, 1, 6})), 6},
      {"value as a LONG past 65535", jpegWith(single({274, kLong, 1, 0x10006})), 1},
      {"value as text", jpegWith(single({274, 2, 2, '6'})), 1},
      {"count 0", jpegWith(single({274, kShort, 0, 6})), 1},
      {"values at an offset", jpegWith(single({274, kShort, 3, kSingleTail}, values)), 8},
      {"values at an offset past the end", jpegWith(single({274, kShort, 3, kSingleTail + 2}, values)), 1},
      {"values at an offset near 2^32", jpegWith(single({274, kShort, 3, 0xFFFFFFFE}, values)), 1},
      // 2^31 + 1 SHORTs are 2^32 + 2 bytes, which 32-bit arithmetic takes for
      // 2 and reads from the entry itself (6).
      {"count whose size wraps", jpegWith(single({274, kShort, 0x80000001, 6}, values)), 1},
      {"LONG count whose size wraps", jpegWith(single({274, kLong, 0x40000001, 6}, values)), 1},
      {"only the thumbnail's directory marked", jpegWith(thumbnailOnly), 1},
      {"directory pointing back at itself", jpegWith(selfPointing), 1},
      {"marked directory pointing back at itself", jpegWith(selfPointingMarked), 7},
      {"first directory at the header", jpegWith(atHeader), 1},
      {"first directory outside the block", jpegWith(outside), 1},
      {"first directory at the block's last byte", jpegWith(atEnd), 1},
      {"BigTIFF", jpegWith(bigTiffBytes), 1},
      {"mixed byte order mark", jpegWith(mixedOrder), 1},
      {"Exif block without its header", jpegWith(Bytes{}), 1},
      {"Exif name without its zeros", cat({kSoi, jpegSegment(0xE1, cat({text("Exif"), camera(6).bytes()}))}), 1},
      {"APP1 shorter than the name", cat({kSoi, jpegSegment(0xE1, text("Ex")), exif6}), 6},
      {"XMP block first", cat({kSoi, jpegSegment(0xE1, text("http://ns.adobe.com/xap/1.0/")), exif6}), 6},
      {"fill bytes and a restart marker first", cat({kSoi, {0xFF, 0xFF, 0xFF, 0xD0}, exif6}), 6},
      {"Exif block after the scan", cat({kSoi, jpegSegment(0xDA, {1, 1, 0, 0, 63, 0}), exif6}), 1},
      {"Exif block after the end", cat({kSoi, kEoi, exif6}), 1},
      {"stray byte before the Exif block", cat({kSoi, {0x00}, exif6}), 1},
      {"segment length 0", cat({kSoi, {0xFF, 0xE0, 0, 0}, exif6}), 1},
      {"segment length 1", cat({kSoi, {0xFF, 0xE0, 0, 1}, exif6}), 1},
      {"segment running past the end", cat({kSoi, {0xFF, 0xE0, 0xFF, 0xF0}, exif6}), 1},
      {"Exif block longer than the file", cut(cat({kSoi, exif6}), 1), 1},
      {"png with an eXIf chunk", cat({kPngSignature, pngChunk("eXIf", camera(6).bytes())}), 1},
      {"text", text("MM but not a picture"), 1},
  };
  ASSERT_EQ(orientationOf(jpeg6), 6);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(orientationOf(row.bytes), row.expected);
  }
  EXPECT_EQ(exifOrientation(nullptr, 100), 1);
}

TEST(ExifOrientation, TruncatedFilesReadNothingPastTheirEnd) {
  // The mark is read once its whole entry is in; a JPEG's only once its
  // whole Exif block is. Each prefix is copied so that a read past it would
  // leave the buffer (and trip the sanitisers).
  const TiffLayout tiff = camera(6);
  const std::size_t entryEnd = 8 + 2 + 12 * 3;
  const Bytes jpeg = jpegWith(tiff);
  const std::size_t blockEnd = kSoi.size() + kJfif.size() + exifSegment(tiff.bytes()).size();
  struct Row {
    const char* name;
    Bytes whole;
    std::size_t needed;
  } rows[] = {{"tiff", tiff.bytes(), entryEnd}, {"jpeg", jpeg, blockEnd}};
  for (const Row& row : rows) {
    for (std::size_t n = 0; n <= row.whole.size(); ++n) {
      SCOPED_TRACE(testing::Message() << row.name << ", first " << n << " bytes");
      const std::vector<std::uint8_t> prefix(row.whole.begin(), row.whole.begin() + n);
      EXPECT_EQ(exifOrientation(n ? prefix.data() : nullptr, n), n >= row.needed ? 6 : 1);
    }
  }
}

// A first directory pointing at an Exif directory that holds the date
// taken, its text kept after both.
TiffLayout dated(const Bytes& date, bool bigEndian = false, TiffEntry pointer = {34665, kLong, 1, 0},
                 std::uint16_t dateTag = 36867, std::uint16_t dateType = 2) {
  TiffLayout t;
  t.bigEndian = bigEndian;
  t.directories = {{{271, 2, 4, 0}, pointer}, {{dateTag, dateType, static_cast<std::uint32_t>(date.size()), 0}}};
  if (pointer.value == 0) t.directories[0][1].value = 8 + 2 + 12 * 2 + 4;
  t.directories[1][0].value = t.tailOffset();
  t.tail = date;
  return t;
}
Bytes withNul(const char* s) { return cat({text(s), {0}}); }
std::optional<ExifDate> dateOf(const Bytes& b) { return exifDateTaken(b.data(), b.size()); }

TEST(ExifDateTaken, ReadsOnlyRealDates) {
  const ExifDate may17{2024, 5, 17, 10, 22, 33};
  const Bytes date = withNul("2024:05:17 10:22:33");
  struct Row {
    const char* name;
    Bytes bytes;
    std::optional<ExifDate> expected;
  } rows[] = {
      {"tiff, II", dated(date).bytes(), may17},
      {"tiff, MM", dated(date, true).bytes(), may17},
      {"jpeg, II", jpegWith(dated(date)), may17},
      {"jpeg, MM", jpegWith(dated(date, true)), may17},
      {"without its NUL", jpegWith(dated(text("2024:05:17 10:22:33"))), may17},
      {"29 February of a leap year", jpegWith(dated(withNul("2000:02:29 23:59:60"))),
       ExifDate{2000, 2, 29, 23, 59, 60}},
      {"zeros", jpegWith(dated(withNul("0000:00:00 00:00:00"))), {}},
      {"blanks", jpegWith(dated(withNul("    :  :     :  :  "))), {}},
      {"month 13", jpegWith(dated(withNul("2024:13:01 10:22:33"))), {}},
      {"31 April", jpegWith(dated(withNul("2024:04:31 10:22:33"))), {}},
      {"29 February 1900", jpegWith(dated(withNul("1900:02:29 10:22:33"))), {}},
      {"hour 24", jpegWith(dated(withNul("2024:05:17 24:00:00"))), {}},
      {"before 1601", jpegWith(dated(withNul("1600:12:31 10:22:33"))), {}},
      {"dashes", jpegWith(dated(withNul("2024-05-17 10:22:33"))), {}},
      {"more after the time", jpegWith(dated(withNul("2024:05:17 10:22:33 UTC"))), {}},
      {"as SHORTs", jpegWith(dated(date, false, {34665, kLong, 1, 0}, 36867, kShort)), {}},
      {"another tag's date", jpegWith(dated(date, false, {34665, kLong, 1, 0}, 306)), {}},
      {"no Exif directory", jpegWith(single({306, 2, 20, kSingleTail}, date)), {}},
      {"Exif directory outside the block", jpegWith(dated(date, false, {34665, kLong, 1, 0xFFFFFF00})), {}},
      {"Exif pointer as text", jpegWith(dated(date, false, {34665, 2, 4, 0})), {}},
      {"text running past the end", jpegWith(cut(dated(date).bytes(), 1)), {}},
      {"no Exif block", cat({kSoi, kJfif, jpegFrame(8, 8), kEoi}), {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(dateOf(row.bytes), row.expected);
  }
}

TEST(ExifCamera, MakeAndModelOfTheFirstDirectory) {
  // Make, then model: "  NIKON ", "D750  " (without its NUL), after a first directory of two entries.
  TiffLayout t = single({271, 2, 9, 38});
  t.directories[0].push_back({272, 2, 6, 47});
  t.tail = cat({withNul("  NIKON "), text("D750  ")});
  const ExifCamera both = exifCamera(jpegWith(t).data(), jpegWith(t).size());
  EXPECT_EQ(both.make + "|" + both.model, "NIKON|D750");
  t.directories[0][0].type = kShort;  // not text
  const ExifCamera model = exifCamera(t.bytes().data(), t.bytes().size());
  EXPECT_EQ(model.make + "|" + model.model, "|D750");
  const Bytes cutShort = cut(t.bytes(), 1);  // the model runs past the end
  EXPECT_EQ(exifCamera(cutShort.data(), cutShort.size()).model, "");
}

#ifdef LUMOVA_ORIENTATION_PICTURES
// Files written by ImageMagick and marked by exiftool, in the layouts real
// tools use (a JFIF block first, the tags exiftool adds beside the mark).
TEST(ExifOrientation, ReadsTheMarksExiftoolWrites) {
  for (int n = 1; n <= 8; ++n) {
    for (const char* file : {"-ii.jpg", "-mm.jpg", "-ii.tif", "-mm.tif"}) {
      const std::string path = std::string(LUMOVA_ORIENTATION_PICTURES) + "/o" + std::to_string(n) + file;
      SCOPED_TRACE(path);
      std::ifstream in(path, std::ios::binary);
      ASSERT_TRUE(in);
      const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      EXPECT_EQ(orientationOf(bytes), n);
    }
  }
}
#endif

}  // namespace
}  // namespace lumova
