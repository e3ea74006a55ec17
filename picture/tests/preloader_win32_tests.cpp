// File stamps from the file system, and the preloader over the WIC loader.
#include <gtest/gtest.h>
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "common/gdi_win32.h"
#include "picture/preloader_win32.h"
#include "picture/wic_loader_win32.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/temp_files_win32.h"

namespace lumova::win32 {
namespace {

std::string tempPath(const std::string& name) { return testing::tempFolder("lumova-preload") + name; }

// A 24-bit bitmap of one grey level.
void writeBmp(const std::string& path, int width, int height, std::uint8_t grey) {
  ASSERT_TRUE(testing::writeBytes(path, testing::bmp24(width, height, [grey](int, int) { return grey * 0x010101u; })));
}

void setLastWrite(const std::string& path, std::uint64_t time) {
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  const FILETIME ft{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
}

TEST(Win32FileStamps, TellVersionsOfAFileApart) {
  Win32FileStamps stamps;
  const std::string path = tempPath("stamp.bmp");
  EXPECT_EQ(stamps.stamp(path), std::nullopt);
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  EXPECT_EQ(stamps.stamp(folder), std::nullopt);
  EXPECT_EQ(stamps.stamp(""), std::nullopt);

  writeBmp(path, 4, 4, 10);
  setLastWrite(path, 133000000000000000ull);
  const auto first = stamps.stamp(path);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size, 54u + 12 * 4);
  EXPECT_EQ(first->lastWrite, 133000000000000000ull);
  EXPECT_EQ(stamps.stamp(path), first);

  writeBmp(path, 4, 4, 20);  // same size, rewritten later
  setLastWrite(path, 133000000010000000ull);
  const auto second = stamps.stamp(path);
  EXPECT_NE(second, first);

  // Another file of the same size and time moved into its place.
  const std::string other = tempPath("stamp-other.bmp");
  writeBmp(other, 4, 4, 30);
  setLastWrite(other, 133000000010000000ull);
  ASSERT_TRUE(MoveFileExA(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
  const auto third = stamps.stamp(path);
  ASSERT_TRUE(third);
  EXPECT_EQ(third->size, second->size);
  EXPECT_EQ(third->lastWrite, second->lastWrite);
  EXPECT_NE(third, second);
  DeleteFileA(path.c_str());
}

// The WIC loader, counting the decodes it has finished.
class CountingLoader final : public PictureLoader {
 public:
  PictureLoad load(const PictureRequest& request) override {
    PictureLoad result = wic_.load(request);
    std::lock_guard lock(mutex_);
    ++finished_;
    changed_.notify_all();
    return result;
  }
  void waitForFinished(int n) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return finished_ >= n; });
  }
  int finished() {
    std::lock_guard lock(mutex_);
    return finished_;
  }

 private:
  WicPictureLoader wic_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int finished_ = 0;
};

TEST(WicPreloading, PictureReplacedAfterItsPrefetchIsDecodedAgain) {
  CountingLoader decoder;
  Win32FileStamps stamps;
  PreloadingLoader preloader(decoder, stamps);
  const std::string path = tempPath("next.bmp");
  writeBmp(path, 3, 2, 50);

  preloader.prefetch(path);
  decoder.waitForFinished(1);
  const PictureLoad kept = preloader.load(path);
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept.picture->width(), 3);
  EXPECT_EQ(decoder.finished(), 1);

  preloader.prefetch(path);
  decoder.waitForFinished(2);
  writeBmp(path, 5, 4, 90);
  const PictureLoad replaced = preloader.load(path);
  ASSERT_TRUE(replaced);
  EXPECT_EQ(replaced.picture->width(), 5);
  EXPECT_EQ(static_cast<const DibPicture&>(*replaced.picture).pixel(0, 0), 0xFF5A5A5Au);
  EXPECT_EQ(decoder.finished(), 3);

  DeleteFileA(path.c_str());
  preloader.prefetch(path);
  decoder.waitForFinished(4);
  EXPECT_EQ(preloader.load(path).error, PictureError::NotFound);
  EXPECT_EQ(decoder.finished(), 4);
}

// Two monitors showing one picture: each keeps its bitmap selected into a DC
// of its own (as MonitorStage does) at the same time, and both show it.
TEST(WicPreloading, OnePictureOnTwoMonitorsDrawsOnBoth) {
  CountingLoader decoder;
  Win32FileStamps stamps;
  PreloadingLoader preloader(decoder, stamps);
  const std::string path = tempPath("both.bmp");
  writeBmp(path, 4, 3, 0x60);
  const PictureRequest request{path, {}};
  preloader.prefetch(std::vector<PictureRequest>{request, request});
  decoder.waitForFinished(1);
  const PictureLoad first = preloader.load(request), second = preloader.load(request);
  ASSERT_TRUE(first && second);
  BitmapDc monitors[2];
  monitors[0].show(static_cast<const DibPicture&>(*first.picture).bitmap());
  monitors[1].show(static_cast<const DibPicture&>(*second.picture).bitmap());
  for (const BitmapDc& m : monitors) EXPECT_EQ(GetPixel(m.dc(), 2, 1), RGB(0x60, 0x60, 0x60));
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace lumova::win32
