// Ten thousand picture changes through the real saver window: effects drawn
// at random (unpaced, so that the run takes minutes), the picture floating,
// and the password prompt brought up and taken down every thousand changes.
// Prints what the process holds at the start, every thousand changes and at
// the end; the memory must stay within 1 MB and the GDI and USER object
// counts exactly level after the first hundred changes (exit status 1
// otherwise). A Windows program: run it under Wine by hand, e.g.
//   tools/wine-run build/win64/bench/saver_soak_bench_win32.exe [changes]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "password/password_form_win32.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/soak_support_win32.h"
#include "tests/support/temp_files_win32.h"

using namespace lumova;

using lumova::testing::pumpMessages;
using lumova::testing::SoakSaver;
using lumova::testing::usage;
using lumova::testing::Usage;

namespace {

void printRow(const char* label, int changes, const Usage& u, double seconds) {
  std::printf("%-8s %6d  %10.2f  %10.2f  %5lu  %5lu  %7lu  %7.1f\n", label, changes, u.privateBytes / 1048576.0,
              u.workingSet / 1048576.0, static_cast<unsigned long>(u.gdi), static_cast<unsigned long>(u.user),
              static_cast<unsigned long>(u.handles), seconds);
  std::fflush(stdout);
}

// The prompt as a protected saver shows it: made, shown over the saver, hidden, gone.
void promptOnce(HWND saver) {
  password::PasswordWindow prompt(GetModuleHandleA(nullptr), 15, 15, {});
  prompt.load();
  EnableWindow(saver, FALSE);
  prompt.setVisible(true);
  pumpMessages();
  prompt.setPasswordText("not the password");
  pumpMessages();
  prompt.setVisible(false);
  EnableWindow(saver, TRUE);
  pumpMessages();
}

}  // namespace

int main(int argc, char** argv) {
  const int changes = argc > 1 ? std::atoi(argv[1]) : 10000;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::string dir = lumova::testing::tempFolder("lumova-soak-bench");
  // Shapes of every kind but one pixel count, so that whichever two pictures
  // are held (the shown and the next) they take the same memory, and what
  // the process holds compares from one sample to the next.
  const int sizes[][2] = {{640, 480}, {480, 640}, {960, 320}, {320, 960}, {768, 400}};
  std::string ini = "[total]\r\ntotal=5\r\n[images]\r\n";
  for (int i = 0; i < 5; ++i) {
    const std::string path = dir + "p" + std::to_string(i) + ".bmp";
    // A gradient, so that every effect has rows to copy.
    const unsigned seed = static_cast<unsigned>(i + 1);
    lumova::testing::writeBytes(path, lumova::testing::bmp24(sizes[i][0], sizes[i][1], [seed](int x, int y) {
                                  return (seed * 40 & 0xFF) << 16 | (y * seed & 0xFF) << 8 | ((x + seed) & 0xFF);
                                }));
    ini += std::to_string(i) + "=" + path + "\r\n";
  }
  ini +=
      "[caption]\r\n0=First caption\r\n1=\r\n2=Third\r\n3=A longer caption for the fourth\r\n4=\r\n"
      "[image]\r\ntimeInterval=1\r\npicRandom=rand\r\nrandomEffect=1\r\neffectMode=1\r\nrandomPick=1\r\n";

  auto owner = std::make_unique<SoakSaver>(ini, /*unpaced=*/true);
  SoakSaver& saver = *owner;
  auto* form = saver.form.get();
  pumpMessages();

  const DWORD began = GetTickCount();
  auto seconds = [&] { return (GetTickCount() - began) / 1000.0; };
  auto change = [&] {
    form->Timer2_Timer();
    // A few motion ticks: the floating picture moves between changes.
    for (int k = 0; k < 3; ++k) form->Timer1_Timer();
    pumpMessages();
    saver.log.clear();  // the fake host's record of calls would grow with every change
  };

  std::printf("%-8s %6s  %10s  %10s  %5s  %5s  %7s  %7s\n", "", "change", "private MB", "working MB", "GDI", "USER",
              "handles", "s");
  change();
  const Usage first = usage();
  printRow("start", 1, first, seconds());
  Usage settled{};
  Usage last = first;
  SIZE_T lowest = 0, highest = 0;  // private bytes over the samples after change 100
  for (int i = 2; i <= changes; ++i) {
    change();
    if (i % 1000 == 0) promptOnce(saver.window.hwnd());
    if (i == 100) printRow("settled", i, settled = usage(), seconds());
    if (i % 1000 == 0) {
      printRow("", i, last = usage(), seconds());
      lowest = lowest ? std::min(lowest, last.privateBytes) : last.privateBytes;
      highest = std::max(highest, last.privateBytes);
    }
  }
  pumpMessages();
  last = usage();
  printRow("end", changes, last, seconds());

  const double grewMb =
      (static_cast<double>(last.privateBytes) - static_cast<double>(settled.privateBytes)) / 1048576.0;
  std::printf(
      "memory: %s; after change 100: %+.2f MB private, %+.2f MB working set; GDI %+ld, USER %+ld, handles %+ld\n",
      first.extended ? "PrivateUsage" : "PagefileUsage (no extended record here)", grewMb,
      (static_cast<double>(last.workingSet) - static_cast<double>(settled.workingSet)) / 1048576.0,
      static_cast<long>(last.gdi) - static_cast<long>(settled.gdi),
      static_cast<long>(last.user) - static_cast<long>(settled.user),
      static_cast<long>(last.handles) - static_cast<long>(settled.handles));
  if (highest)
    std::printf("private bytes every 1000 changes: %.2f to %.2f MB\n", lowest / 1048576.0, highest / 1048576.0);
  if (first.gdi == 0 && first.user == 0) std::printf("GDI and USER counts: not reported on this platform\n");
  std::printf("messages shown %d, saver ended %s\n", saver.messages.shown, saver.host.ended ? "yes" : "no");
  const bool flat = grewMb <= 1.0 && last.gdi == settled.gdi && last.user == settled.user;
  const bool clean = saver.messages.shown == 0 && !saver.host.ended;
  owner.reset();
  for (int i = 0; i < 5; ++i) DeleteFileA((dir + "p" + std::to_string(i) + ".bmp").c_str());
  RemoveDirectoryA(dir.c_str());
  CoUninitialize();
  return flat && clean ? 0 : 1;
}
