// Ten thousand picture changes through the saver as Lumova.scr wires it:
// the real saver window, the next pictures decoded ahead on the preloader's
// worker, and the session's own password prompt, brought up by a key on the
// saver window every thousand changes, a wrong password typed into it and
// put away with Enter. Effects drawn at random (unpaced, so that the run
// takes minutes) and the picture floating. Prints what the process holds at
// the start, every thousand changes and at the end; judged by the highest
// sample after the first hundred changes: memory within 1 MB of the level
// then, the GDI and USER object counts exactly that level (exit status 1
// otherwise). A Windows program: run it under Wine by hand, e.g.
//   tools/wine-run build/win64/bench/saver_soak_bench_win32.exe [changes]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/protection.h"
#include "startup/saver_run_win32.h"
#include "common/random.h"
#include "password/password_prompt.h"
#include "password/password_prompt_win32.h"
#include "picture/preloader.h"
#include "picture/preloader_win32.h"
#include "picture/wic_loader_win32.h"
#include "saver/slideshow.h"
#include "saver/saver_window_win32.h"
#include "startup/input.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/memory_file_store.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/soak_support_win32.h"
#include "tests/support/temp_files_win32.h"

using namespace lumova;

using lumova::testing::pumpMessages;
using lumova::testing::usage;
using lumova::testing::Usage;

namespace {

void printRow(const char* label, int changes, const Usage& u, double seconds) {
  std::printf("%-8s %6d  %10.2f  %10.2f  %5lu  %5lu  %7lu  %7.1f\n", label, changes, u.privateBytes / 1048576.0,
              u.workingSet / 1048576.0, static_cast<unsigned long>(u.gdi), static_cast<unsigned long>(u.user),
              static_cast<unsigned long>(u.handles), seconds);
  std::fflush(stdout);
}

// One saver run wired as startup/main_win32.cpp wires it, over a settings
// file in memory and a host that only records; members in the order they
// need each other.
class SaverRig {
 public:
  explicit SaverRig(const std::string& settings)
      : host{log}, run(GetModuleHandleA(nullptr), parts()), window(run.window()), session(run.session()),
        promptWindow(run.promptWindow()) {
    files.files["C:\\soak\\zbfaone.ini"] = settings;
    form = &run.slideshow();
    form->start();
    ShowWindow(window.hwnd(), SW_SHOWNA);
    form->onStartupTick();
  }

  // A key on the saver window brings up the prompt; a wrong password and
  // Enter, then Enter on the emptied box, put it away. True when the saver
  // runs again with its input back.
  bool promptOnce() {
    PostMessageA(window.hwnd(), WM_KEYDOWN, VK_SHIFT, 0);
    pumpMessages();
    if (session.state() != startup::SaverState::Prompting || !IsWindowVisible(promptWindow.hwnd())) return false;
    const HWND box = promptWindow.control(password::Control::passwordBox);
    for (char c : std::string("not the password\r")) SendMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 0);
    pumpMessages();
    if (session.state() != startup::SaverState::Prompting) return false;
    SendMessageA(box, WM_CHAR, '\r', 0);
    pumpMessages();
    return session.state() == startup::SaverState::Running && IsWindowEnabled(window.hwnd()) &&
           !IsWindowVisible(promptWindow.hwnd());
  }

  fakes::MemoryFileStore files;
  fakes::CallLog log;
  fakes::FakeHost host;
  lumova::testing::RushingClock clock;
  lumova::testing::SilentMessages messages;
  startup::SaverRun run;
  saver::SaverWindow& window;
  startup::SaverSession& session;
  password::PasswordWindow& promptWindow;
  saver::Slideshow* form = nullptr;

 private:
  startup::SaverParts parts() {
    startup::SaverParts p;
    p.settingsFolder = "C:\\soak";
    p.files = &files;
    p.host = &host;
    p.clock = &clock;
    p.messages = &messages;
    p.scanFolders = false;
    p.window = testing::unpacedIf(true);
    return p;
  }
};

// The highest of each figure over the samples taken.
struct Peak {
  Usage high{};
  Usage low{};
  bool any = false;
  void add(const Usage& u) {
    if (!any) {
      high = low = u;
      any = true;
      return;
    }
    high.privateBytes = std::max(high.privateBytes, u.privateBytes);
    high.workingSet = std::max(high.workingSet, u.workingSet);
    high.gdi = std::max(high.gdi, u.gdi);
    high.user = std::max(high.user, u.user);
    high.handles = std::max(high.handles, u.handles);
    low.privateBytes = std::min(low.privateBytes, u.privateBytes);
    low.gdi = std::min(low.gdi, u.gdi);
    low.user = std::min(low.user, u.user);
  }
};

double mb(SIZE_T from, SIZE_T to) { return (static_cast<double>(to) - static_cast<double>(from)) / 1048576.0; }

}  // namespace

int main(int argc, char** argv) {
  const int changes = argc > 1 ? std::atoi(argv[1]) : 10000;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::string dir = lumova::testing::tempFolder("lumova-soak-bench");
  // Shapes of every kind but one pixel count, so that whichever pictures are
  // held (the shown and the one prefetched) they take the same memory, and what
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
      "[image]\r\ntimeInterval=1\r\npicRandom=rand\r\nrandomEffect=1\r\neffectMode=1\r\nrandomPick=1\r\n"
      "[password]\r\nsaverPassword=soak\r\nsaverEnabled=1\r\n";

  auto owner = std::make_unique<SaverRig>(ini);
  SaverRig& saver = *owner;
  auto* form = saver.form;
  pumpMessages();

  const DWORD began = GetTickCount();
  auto seconds = [&] { return (GetTickCount() - began) / 1000.0; };
  auto change = [&] {
    form->onChangeTick();
    // A few motion ticks: the floating picture moves between changes.
    for (int k = 0; k < 3; ++k) form->onMotionTick();
    pumpMessages();
    saver.log.clear();  // the fake host's record of calls would grow with every change
  };

  std::printf("%-8s %6s  %10s  %10s  %5s  %5s  %7s  %7s\n", "", "change", "private MB", "working MB", "GDI", "USER",
              "handles", "s");
  change();
  const Usage first = usage();
  printRow("start", 1, first, seconds());
  Usage settled{};
  Peak after;  // every sample after change 100
  int prompts = 0, promptsBack = 0;
  for (int i = 2; i <= changes; ++i) {
    change();
    if (i % 1000 == 0) {
      ++prompts;
      if (saver.promptOnce()) ++promptsBack;
    }
    if (i == 100) printRow("settled", i, settled = usage(), seconds());
    if (i > 100 && i % 1000 == 0) {
      const Usage u = usage();
      printRow("", i, u, seconds());
      after.add(u);
    }
  }
  pumpMessages();
  const Usage last = usage();
  printRow("end", changes, last, seconds());
  after.add(last);

  const double peakGrewMb = mb(settled.privateBytes, after.high.privateBytes);
  std::printf("memory: %s; highest after change 100: %+.2f MB private, %+.2f MB working set; at the end %+.2f MB\n",
              first.extended ? "PrivateUsage" : "PagefileUsage (no extended record here)", peakGrewMb,
              mb(settled.workingSet, after.high.workingSet), mb(settled.privateBytes, last.privateBytes));
  std::printf("private bytes over the samples: %.2f to %.2f MB\n", after.low.privateBytes / 1048576.0,
              after.high.privateBytes / 1048576.0);
  std::printf("objects after change 100: GDI %lu..%lu, USER %lu..%lu (at 100: %lu, %lu); handles highest %+ld\n",
              static_cast<unsigned long>(after.low.gdi), static_cast<unsigned long>(after.high.gdi),
              static_cast<unsigned long>(after.low.user), static_cast<unsigned long>(after.high.user),
              static_cast<unsigned long>(settled.gdi), static_cast<unsigned long>(settled.user),
              static_cast<long>(after.high.handles) - static_cast<long>(settled.handles));
  if (first.gdi == 0 && first.user == 0) std::printf("GDI and USER counts: not reported on this platform\n");
  std::printf("prompts %d, back to the saver %d; messages shown %d, saver ended %s\n", prompts, promptsBack,
              saver.messages.shown, saver.host.ended ? "yes" : "no");
  const bool flat = peakGrewMb <= 1.0 && after.high.gdi == settled.gdi && after.low.gdi == settled.gdi &&
                    after.high.user == settled.user && after.low.user == settled.user;
  const bool clean = saver.messages.shown == 0 && !saver.host.ended && promptsBack == prompts;
  std::printf("verdict: %s\n", flat && clean ? "level" : "FAILED");
  owner.reset();
  for (int i = 0; i < 5; ++i) DeleteFileA((dir + "p" + std::to_string(i) + ".bmp").c_str());
  RemoveDirectoryA(dir.c_str());
  CoUninitialize();
  return flat && clean ? 0 : 1;
}
