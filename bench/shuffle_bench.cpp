// The shuffled order's cost at 50,000 pictures, and the date reader's per
// JPEG.
//
// Shuffle: the first start, then each change as the saver makes it: the next
// picture drawn and the state written through the system's file store
// (temporary file, flush, replace: the round when it changed, how far it got
// always), the change that opens a new round shown apart; the files' sizes;
// a start from them with the list changed. Date: a 6 MB JPEG whose Exif block holds the date taken, its
// first 128 KB read from the file and searched, as a caption needs it.
//
//   shuffle_bench [folder for the files, default: the current one]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/random.h"
#include "picture/exif_orientation.h"
#include "saver/auto_caption.h"
#include "saver/background_file_store.h"
#include "saver/shuffle.h"
#include "settings/file_store.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

class BenchRandom final : public lumova::Random {
 public:
  void reseed() override {}
  double next() override {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1p-53;
  }

 private:
  std::uint64_t s_ = 42;
};

void putLe(std::string& s, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

// A JPEG's start as cameras write it: SOI, a JFIF block, an Exif block whose
// first directory points at the Exif directory with the date, a large
// maker-note-like filler inside it; then `pixels` bytes of scan.
std::string cameraJpeg(std::size_t pixels) {
  std::string tiff = "II";
  putLe(tiff, 42, 2);
  putLe(tiff, 8, 4);
  putLe(tiff, 1, 2);  // first directory: the Exif pointer
  putLe(tiff, 34665, 2), putLe(tiff, 4, 2), putLe(tiff, 1, 4), putLe(tiff, 26, 4);
  putLe(tiff, 0, 4);
  putLe(tiff, 1, 2);  // Exif directory at 26: the date at 44
  putLe(tiff, 36867, 2), putLe(tiff, 2, 2), putLe(tiff, 20, 4), putLe(tiff, 44, 4);
  putLe(tiff, 0, 4);
  tiff += std::string("2024:05:17 10:22:33") + '\0';
  tiff.append(40000, 'm');
  const std::string exif = std::string("Exif\0\0", 6) + tiff;
  std::string jpeg = "\xFF\xD8\xFF\xE0";
  jpeg += std::string("\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 16);
  jpeg += "\xFF\xE1";
  jpeg.push_back(static_cast<char>((exif.size() + 2) >> 8));
  jpeg.push_back(static_cast<char>(exif.size() + 2));
  jpeg += exif;
  jpeg += "\xFF\xDA";
  jpeg.append(pixels, '\x55');
  return jpeg + "\xFF\xD9";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  constexpr std::size_t kPictures = 50000;
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < kPictures; ++i)
    paths.push_back("C:\\Users\\Someone\\Pictures\\Holidays " + std::to_string(2000 + i % 25) + "\\IMG_" +
                    std::to_string(100000 + i) + ".JPG");
  auto files = lumova::settings::makeSystemFileStore();
  const std::string roundPath = folder + "/shuffle_bench.shuffle", shownPath = folder + "/shuffle_bench.shown";
  BenchRandom random;

  auto t = Clock::now();
  lumova::saver::Shuffle first(random);
  first.setPictures(paths);
  std::printf("shuffle: %zu pictures, first start %.1f ms\n", kPictures, msSince(t));

  // Changes from the middle of a round, then across its end.
  constexpr int kChanges = 500;
  for (std::size_t i = 0; i < kPictures - kChanges / 2; ++i) first.next();
  std::vector<double> states, writes;
  double newRound = 0;
  for (int i = 0; i < kChanges; ++i) {
    const bool opens = first.drawn() == first.roundSize();
    t = Clock::now();
    first.next();
    const bool roundChanged = first.roundChanged();
    const std::string round = roundChanged ? first.serialiseRound() : std::string();
    const std::string shown = first.serialisePosition();
    states.push_back(msSince(t));
    t = Clock::now();
    if (roundChanged) files->replaceAtomically(roundPath, round);
    files->replaceAtomically(shownPath, shown);
    writes.push_back(msSince(t));
    if (opens) newRound = states.back() + writes.back();
  }
  // As the saver makes them: the saves handed to the worker.
  std::vector<double> handed;
  {
    lumova::saver::BackgroundFileStore background(*files);
    for (int i = 0; i < kChanges; ++i) {
      t = Clock::now();
      first.next();
      if (first.roundChanged()) background.replaceAtomically(roundPath, first.serialiseRound());
      background.replaceAtomically(shownPath, first.serialisePosition());
      handed.push_back(msSince(t));
    }
  }
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const auto worst = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
  const auto round = files->readAll(roundPath), shown = files->readAll(shownPath);
  std::printf("shuffle: per change, draw + state: median %.3f ms, worst %.3f ms\n", median(states), worst(states));
  std::printf("shuffle: per change, atomic writes with flush: median %.3f ms, worst %.3f ms\n", median(writes),
              worst(writes));
  std::printf("shuffle: the change that opens a round, written on the spot: %.3f ms\n", newRound);
  std::printf("shuffle: per change as the saver makes it (saves handed to a worker): median %.3f ms, worst %.3f ms\n",
              median(handed), worst(handed));
  std::printf("shuffle: on disk: the round %zu bytes, how far it got %zu bytes\n", round ? round->size() : 0,
              shown ? shown->size() : 0);

  t = Clock::now();
  lumova::saver::Shuffle again(random);
  const bool restored = round && shown && again.restore(*round, *shown) && again.drawn() == first.drawn();
  paths.resize(kPictures - 100);  // a changed list: a hundred gone
  for (int i = 0; i < 100; ++i) paths.push_back("D:\\New\\" + std::to_string(i) + ".jpg");  // and a hundred new
  again.setPictures(paths);
  std::printf("shuffle: start from the state (%s) with 100 pictures gone and 100 new: %.1f ms\n",
              restored ? "read" : "NOT READ", msSince(t));

  // The date: read the head of a 6 MB file and search it.
  const std::string jpegPath = folder + "/shuffle_bench_photo.jpg";
  std::ofstream(jpegPath, std::ios::binary) << cameraJpeg(6 << 20);
  constexpr int kReads = 2000;
  int found = 0;
  t = Clock::now();
  for (int i = 0; i < kReads; ++i) {
    std::ifstream in(jpegPath, std::ios::binary);
    std::string head(lumova::saver::kDateReadBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    found += lumova::exifDateTaken(reinterpret_cast<const std::uint8_t*>(head.data()), head.size()).has_value();
  }
  std::printf("date taken: %.4f ms per JPEG (first %zu KB read, searched), found in %d of %d\n", msSince(t) / kReads,
              lumova::saver::kDateReadBytes / 1024, found, kReads);
  std::remove(jpegPath.c_str());
  std::remove(roundPath.c_str());
  std::remove(shownPath.c_str());
  return restored && found == kReads ? 0 : 1;
}
