// Folder scan figures for the saver, under Windows or Wine.
//
//   folder_bench_win32 [folders] [pictures-per-folder]
//
// On a tree of small pictures (500 folders of 100 by default, written once
// to the temporary folder):
//   first found   from the scan's start to its first pictures on the
//                 window's thread
//   full scan     from the start to its end, every path on the window's thread
//   rescan        the same again with nothing changed
//   memory        private bytes the scanned sequence holds, beyond its paths'
//                 own characters, per picture
//   first picture from the saver's window to its first picture on the screen,
//                 for the folder alone and for one listed picture (the median
//                 of three starts each; the start-up delay and the pause before
//                 a reveal are in both)
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/clock_win32.h"
#include "common/random.h"
#include "picture/folder_tree_win32.h"
#include "picture/picture_formats.h"
#include "picture/picture_formats_win32.h"
#include "saver/folder_source_win32.h"
#include "saver/picture_sequence.h"
#include "startup/saver_run_win32.h"
#include "tests/support/soak_support_win32.h"

namespace lumova {
namespace {

using testing::usage;

double now() { return win32::SystemClock().monotonicSeconds(); }

// A 2 x 2 bitmap, 70 bytes.
std::string smallBmp(int seed) {
  std::string b(70, '\0');
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B', b[1] = 'M';
  put(2, 70, 4), put(10, 54, 4), put(14, 40, 4), put(18, 2, 4), put(22, 2, 4), put(26, 1, 2), put(28, 24, 2);
  put(34, 16, 4);
  for (int i = 0; i < 16; ++i) b[54 + i] = static_cast<char>(seed + i);
  return b;
}

std::string makeTree(int folders, int perFolder) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string root =
      std::string(temp) + "lumova folder bench " + std::to_string(folders) + "x" + std::to_string(perFolder);
  const std::string done = root + "\\done.txt";
  if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) return root;
  const double t0 = now();
  CreateDirectoryA(root.c_str(), nullptr);
  for (int f = 0; f < folders; ++f) {
    const std::string folder = root + "\\album " + std::to_string(1000 + f);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int p = 0; p < perFolder; ++p) {
      std::ofstream(folder + "\\photo " + std::to_string(10000 + p) + ".bmp", std::ios::binary) << smallBmp(f + p);
    }
  }
  std::ofstream(done) << "made";
  std::printf("tree of %d pictures in %d folders written in %.1f s: %s\n", folders * perFolder, folders, now() - t0,
              root.c_str());
  return root;
}

struct ScanRun {
  double firstFound = -1;
  double full = -1;
};

// One scan through the saver's own source, on this thread's message loop.
ScanRun scanOnce(saver::Win32FolderSource& source, saver::PictureSequence& sequence, const std::string& root,
                 double& started, ScanRun& run, bool& ended) {
  ended = false;
  run = {};
  sequence.scanStarted();
  started = now();
  source.scan({root});
  MSG msg;
  while (!ended && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return run;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The real saver window and logic over `settings`: seconds from the window
// on the screen to its first picture committed.
double firstPicture(const std::string& settings) {
  fakes::MemoryFileStore files;
  files.files["C:\\bench\\zbfaone.ini"] = settings;
  fakes::CallLog log;
  fakes::FakeHost host{log};
  testing::SilentMessages messages;
  startup::SaverParts parts;
  parts.settingsFolder = "C:\\bench";
  parts.files = &files;
  parts.host = &host;
  parts.preload = false;
  parts.messages = &messages;
  startup::SaverRun run(GetModuleHandleW(nullptr), std::move(parts));
  saver::SaverWindow& window = run.window();
  saver::Slideshow* form = &run.slideshow();
  const double t0 = now();
  form->start();
  ShowWindow(window.hwnd(), SW_SHOWNA);
  MSG msg;
  while (form->slides().front().image < 0 && now() - t0 < 30) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  // The picture is chosen before the pause; it is on the screen after it.
  while (form->slides().front().picture.width == 0 && now() - t0 < 30) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  const double t = now() - t0;
  return t;
}

int run(int folders, int perFolder) {
  const std::string root = makeTree(folders, perFolder);
  const double t0 = now();
  const std::vector<std::string> extensions = pictureExtensions(win32::decoderExtensionLists());
  std::printf("decoder extensions: %zu, asked of WIC in %.1f ms\n", extensions.size(), (now() - t0) * 1000);

  saver::PictureSequence sequence({}, {}, {root});
  double started = 0;
  ScanRun scan;
  bool ended = false;
  saver::Win32FolderSource source(GetModuleHandleW(nullptr), extensions,
                                  {[&](std::vector<std::string> found) {
                                     if (scan.firstFound < 0) scan.firstFound = now() - started;
                                     sequence.found(std::move(found));
                                   },
                                   [&] {
                                     scan.full = now() - started;
                                     sequence.scanFinished();
                                     ended = true;
                                   }});

  const testing::Usage before = usage();
  const ScanRun first = scanOnce(source, sequence, root, started, scan, ended);
  const testing::Usage after = usage();
  std::size_t pathBytes = 0;
  for (std::int32_t i = 0; i <= sequence.last(); ++i) pathBytes += sequence.path(i).size() + 1;
  const std::size_t count = sequence.size();
  std::printf("pictures found: %zu (expected %d)\n", count, folders * perFolder);
  std::printf("first found %.1f ms, full scan %.0f ms (goal <= 3000)\n", first.firstFound * 1000, first.full * 1000);
  const double held = static_cast<double>(after.privateBytes) - static_cast<double>(before.privateBytes);
  std::printf(
      "memory: %.1f MB held, %.1f MB of it path characters; %.0f bytes a picture beyond its path (goal <= 150)\n",
      held / 1e6, pathBytes / 1e6, count ? (held - static_cast<double>(pathBytes)) / count : 0.0);

  for (int i = 0; i < 3; ++i) {
    SystemFolderTree tree;
    std::vector<std::string> paths;
    const double w0 = now();
    walkPictures(tree, root, extensions, [&](std::string&& p) { paths.push_back(std::move(p)); });
    std::printf("walk alone, on this thread, no window between: %.0f ms\n", (now() - w0) * 1000);
  }
  std::vector<double> rescans;
  for (int i = 0; i < 3; ++i) rescans.push_back(scanOnce(source, sequence, root, started, scan, ended).full);
  std::printf("rescan, nothing changed: %.0f ms (median of 3; goal <= the first scan)\n", median(rescans) * 1000);

  const std::string options =
      "[image]\r\ntimeInterval=10\r\npicRandom=cent\r\neffectMode=0\r\nrandomEffect=0\r\npicFit=0\r\nallMonitors=0\r\n";
  const std::string listed = "[total]\r\ntotal=1\r\n[images]\r\n0=" + root + "\\album 1000\\photo 10000.bmp\r\n";
  const std::string folder = "[total]\r\ntotal=0\r\n[folders]\r\ntotal=1\r\n0=" + root + "\r\n";
  std::vector<double> one, tree;
  for (int i = 0; i < 3; ++i) {
    one.push_back(firstPicture(listed + options));
    tree.push_back(firstPicture(folder + options));
  }
  std::printf("window to first picture: one listed picture %.0f ms, the folder of %zu %.0f ms (median of 3)\n",
              median(one) * 1000, count, median(tree) * 1000);
  return count == static_cast<std::size_t>(folders * perFolder) ? 0 : 1;
}

}  // namespace
}  // namespace lumova

int main(int argc, char** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int folders = argc > 1 ? std::atoi(argv[1]) : 500;
  const int perFolder = argc > 2 ? std::atoi(argv[2]) : 100;
  return lumova::run(folders, perFolder);
}
