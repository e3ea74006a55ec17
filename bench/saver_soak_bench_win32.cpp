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
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/message_box.h"
#include "common/module1.h"
#include "common/random.h"
#include "common/wic_loader_win32.h"
#include "password/password_form_win32.h"
#include "saver/form1.h"
#include "saver/form1_win32.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/memory_file_store.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/soak_support.h"
#include "tests/support/temp_files_win32.h"

using namespace lumova;

using lumova::testing::RushingClock;
using lumova::testing::SilentMessages;

namespace {

struct Usage {
  SIZE_T privateBytes = 0;
  SIZE_T workingSet = 0;
  DWORD gdi = 0;
  DWORD user = 0;
  DWORD handles = 0;
  bool extended = false;  // privateBytes is PrivateUsage rather than PagefileUsage
};

Usage usage() {
  Usage u;
  // The extended record where the platform fills it (Wine leaves it out).
  PROCESS_MEMORY_COUNTERS_EX ex{};
  ex.cb = sizeof ex;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&ex), sizeof ex) &&
      ex.PrivateUsage > 0) {
    u.privateBytes = ex.PrivateUsage;
    u.workingSet = ex.WorkingSetSize;
    u.extended = true;
  } else {
    PROCESS_MEMORY_COUNTERS m{};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
    u.privateBytes = m.PagefileUsage;
    u.workingSet = m.WorkingSetSize;
  }
  u.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  u.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  if (!GetProcessHandleCount(GetCurrentProcess(), &u.handles)) u.handles = 0;
  return u;
}

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

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
  pump();
  prompt.setPasswordText("not the password");
  pump();
  prompt.setVisible(false);
  EnableWindow(saver, TRUE);
  pump();
}

}  // namespace

int main(int argc, char** argv) {
  const int changes = argc > 1 ? std::atoi(argv[1]) : 10000;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::string dir = lumova::testing::tempFolder("lumova-soak-bench");
  const int sizes[][2] = {{640, 480}, {320, 500}, {900, 300}, {200, 200}, {1023, 767}};
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

  fakes::MemoryFileStore files;
  files.files["C:\\soak\\zbfaone.ini"] = ini;
  fakes::CallLog log;
  fakes::FakeHost host(log);
  RushingClock clock;
  ClockSeededRandom random(clock);
  win32::WicPictureLoader loader;
  SilentMessages messages;
  Module1 module1;
  std::unique_ptr<saver::Form1> form;
  saver::SaverWindow window(GetModuleHandleA(nullptr),
                            [&](TimerId id) {
                              if (form) form->onTimer(id);
                            },
                            {});
  window.setEffectsUnpaced(true);
  form = std::make_unique<saver::Form1>(saver::Form1Deps{window, window, host, window, clock, random, loader, messages,
                                                         module1, files, "C:\\soak", nullptr});
  form->Form_Load();
  ShowWindow(window.hwnd(), SW_SHOWNA);
  form->Timer3_Timer();
  pump();

  const DWORD began = GetTickCount();
  auto seconds = [&] { return (GetTickCount() - began) / 1000.0; };
  auto change = [&] {
    form->Timer2_Timer();
    // A few motion ticks: the floating picture moves between changes.
    for (int k = 0; k < 3; ++k) form->Timer1_Timer();
    pump();
    log.clear();  // the fake host's record of calls would grow with every change
  };

  std::printf("%-8s %6s  %10s  %10s  %5s  %5s  %7s  %7s\n", "", "change", "private MB", "working MB", "GDI", "USER",
              "handles", "s");
  change();
  const Usage first = usage();
  printRow("start", 1, first, seconds());
  Usage settled{};
  Usage last = first;
  for (int i = 2; i <= changes; ++i) {
    change();
    if (i % 1000 == 0) promptOnce(window.hwnd());
    if (i == 100) printRow("settled", i, settled = usage(), seconds());
    if (i % 1000 == 0) printRow("", i, last = usage(), seconds());
  }
  pump();
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
  if (first.gdi == 0 && first.user == 0) std::printf("GDI and USER counts: not reported on this platform\n");
  std::printf("messages shown %d, saver ended %s\n", messages.shown, host.ended ? "yes" : "no");
  const bool flat = grewMb <= 1.0 && last.gdi == settled.gdi && last.user == settled.user;
  form.reset();
  for (int i = 0; i < 5; ++i) DeleteFileA((dir + "p" + std::to_string(i) + ".bmp").c_str());
  RemoveDirectoryA(dir.c_str());
  CoUninitialize();
  return flat && messages.shown == 0 && !host.ended ? 0 : 1;
}
