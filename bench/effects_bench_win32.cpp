// The crossfade and pan and zoom through the real saver window, on whatever
// screen the program finds: CPU per crossfade frame, the fade's length with
// and without another process keeping a core busy, pan and zoom's CPU share,
// frame rate and frame intervals, and how long a change takes beyond its
// pause once the next picture is preloaded; with --display-off, what the
// saver costs while the display is off. A Windows program: run it under
// Wine (build/native/bench/saver_cpu_bench runs it at three screen sizes),
// or by hand: tools/wine-run build/win64/bench/effects_bench_win32.exe [--display-off] [out.txt]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/clock_win32.h"
#include "common/protection.h"
#include "startup/saver_run_win32.h"
#include "common/random.h"
#include "picture/preloader.h"
#include "picture/preloader_win32.h"
#include "picture/upright_size_win32.h"
#include "picture/wic_loader_win32.h"
#include "effects/blend.h"
#include "saver/slideshow.h"
#include "saver/saver_window_win32.h"
#include "effects/transition_player_win32.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/memory_file_store.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/soak_support_win32.h"
#include "tests/support/temp_files_win32.h"

using namespace lumova;

namespace {

constexpr UINT kFramePulseMessage = WM_APP + 40;  // the saver window's pan-and-zoom step

FILE* out = stdout;

double now() { return win32::SystemClock().monotonicSeconds(); }

double processCpuSeconds() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  const auto seconds = [](const FILETIME& f) {
    return ((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// Runs the window's messages for `seconds`, noting when each pan-and-zoom
// step has been drawn, and counting them all.
void runMessages(double seconds, std::vector<double>* steps = nullptr, int* messages = nullptr) {
  const double end = now() + seconds;
  for (double t = now(); t < end; t = now()) {
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>((end - t) * 1000) + 1, QS_ALLINPUT) !=
        WAIT_OBJECT_0)
      continue;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&msg);
      if (steps && msg.message == kFramePulseMessage) steps->push_back(now());
      if (messages) ++*messages;
    }
  }
}

// Counts the decodes the preloader's worker has finished.
class CountingDecoder final : public PictureLoader {
 public:
  using PictureLoader::load;
  PictureLoad load(const PictureRequest& request) override {
    PictureLoad result = wic_.load(request);
    ++finished;
    return result;
  }
  std::atomic<int> finished{0};

 private:
  win32::WicPictureLoader wic_;
};

// The saver over a settings text, wired as the entry point wires it: the
// real clock, WIC behind the preloader.
struct Rig {
  explicit Rig(const std::string& settings) : host(log), run(GetModuleHandleA(nullptr), parts()), window(run.window()) {
    files.files["C:\\bench\\zbfaone.ini"] = settings;
    form = &run.slideshow();
    form->start();
    ShowWindow(window.hwnd(), SW_SHOWNA);
    form->onStartupTick();
  }
  startup::SaverParts parts() {
    startup::SaverParts p;
    p.settingsFolder = "C:\\bench";
    p.files = &files;
    p.host = &host;
    p.decoder = &decoder;
    p.messages = &messages;
    p.scanFolders = false;
    return p;
  }
  // A change once the next picture is decoded (the first one and the next
  // at the start, then one more a change): its wall time.
  double change() {
    const double giveUp = now() + 60;
    while (decoder.finished < decodes && now() < giveUp) runMessages(0.05);
    runMessages(0.2);
    ++decodes;
    const double t0 = now();
    form->onChangeTick();
    return now() - t0;
  }

  fakes::MemoryFileStore files;
  fakes::CallLog log;
  fakes::FakeHost host;
  CountingDecoder decoder;
  testing::SilentMessages messages;
  startup::SaverRun run;
  saver::SaverWindow& window;
  saver::Slideshow* form = nullptr;
  int decodes = 2;
};

std::string settingsFor(const std::vector<std::string>& pictures, const std::string& image) {
  std::string ini = "[total]\r\ntotal=" + std::to_string(pictures.size()) + "\r\n[images]\r\n";
  for (std::size_t i = 0; i < pictures.size(); ++i) ini += std::to_string(i) + "=" + pictures[i] + "\r\n";
  ini += "[caption]\r\n";
  for (std::size_t i = 0; i < pictures.size(); ++i) ini += std::to_string(i) + "=\r\n";
  return ini + "[image]\r\nrandomPick=0\r\ntimeInterval=60\r\nrandomEffect=0\r\n" + image +
         "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n";
}

// Another process spinning on one core until it is ended.
PROCESS_INFORMATION startBusy() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string line = std::string("\"") + self + "\" --busy";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  return pi;
}

void endBusy(PROCESS_INFORMATION& pi) {
  if (!pi.hProcess) return;
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

// The fade as the window plays it, over the whole screen: the mix and the
// copy to the window each display frame, paced by the display and the
// clock. Prints its length, frames and CPU per frame, then the same with
// another process keeping a core busy.
void crossfadeFrames(HWND window, int width, int height) {
  const double setup0 = now();
  effects::FadeArea area;
  if (!area.create(RECT{0, 0, width, height})) return;
  const double setup = now() - setup0;
  class Drawer final : public effects::FadeTarget {
   public:
    Drawer(effects::FadeArea& area, HDC dc) : area_(area), dc_(dc), rows_(effects::fastestPixelRows()) {}
    void drawFade(int weight) override {
      area_.mix(rows_, weight);
      area_.drawTo(dc_);
      GdiFlush();
    }

   private:
    effects::FadeArea& area_;
    HDC dc_;
    effects::PixelRows rows_;
  };
  HDC dc = GetDC(window);
  Drawer drawer(area, dc);
  effects::DisplayFrameWaiter waiter;
  const win32::SystemClock clock;
  for (bool busy : {false, true}) {
    PROCESS_INFORMATION spinner = busy ? startBusy() : PROCESS_INFORMATION{};
    if (busy) Sleep(300);  // the spinner running
    for (int i = 0; i < 3; ++i) {
      const double cpu0 = processCpuSeconds(), t0 = now();
      const effects::FadeRun run = effects::playFade(drawer, waiter, clock);
      const double cpu = processCpuSeconds() - cpu0, wall = now() - t0;
      std::fprintf(out, "crossfade%s: %.3f s, %d frames, %.2f ms CPU a frame (%s)\n", busy ? " with a core busy" : "",
                   wall, run.frames, cpu * 1000 / std::max(run.frames, 1), effects::fastestPixelRows().name);
    }
    endBusy(spinner);
  }
  std::fprintf(out, "crossfade buffers for the whole screen made in %.1f ms\n", setup * 1000);
  ReleaseDC(window, dc);
}
// The display off under a panning picture with the clock: the process's
// share of a core over 10 s and the messages it still gets, beside this
// process idle with a window of its own (what Wine costs anyway).
void displayOff(const std::vector<std::string>& pictures) {
  const auto share = [](int* messages) {
    const double cpu0 = processCpuSeconds(), t0 = now();
    runMessages(10, nullptr, messages);
    return (processCpuSeconds() - cpu0) / (now() - t0) * 100;
  };
  HWND idle =
      CreateWindowExW(0, L"STATIC", L"idle", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
  runMessages(1);
  int idleMessages = 0;
  const double own = share(&idleMessages);
  DestroyWindow(idle);
  Rig rig(settingsFor(pictures, "picRandom=zoom\r\neffectMode=0\r\nclock=2\r\n"));
  runMessages(2);
  const double on = share(nullptr);
  const auto sendDisplay = [&](DWORD state) {
    struct {
      POWERBROADCAST_SETTING head;
      BYTE rest[sizeof(DWORD)];
    } news{};
    news.head.PowerSetting = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
    news.head.DataLength = sizeof state;
    std::memcpy(news.head.Data, &state, sizeof state);
    SendMessageW(rig.window.hwnd(), WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&news));
  };
  sendDisplay(0);
  runMessages(1);
  int offMessages = 0;
  const double off = share(&offMessages);
  sendDisplay(1);
  std::fprintf(out,
               "display off: %.2f %% of a core over 10 s, %d messages; Wine's own (an idle window): %.2f %%, %d "
               "messages; beyond it %.2f %%; the display on (pan and zoom, the clock): %.2f %%\n",
               off, offMessages, own, idleMessages, off - own, on);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--busy") == 0) {
    volatile unsigned long long spin = 0;
    for (;;) spin = spin + 1;
  }
  const bool offOnly = argc > 1 && std::strcmp(argv[1], "--display-off") == 0;
  if (offOnly) --argc, ++argv;
  if (argc > 1) out = std::fopen(argv[1], "w");
  if (!out) return 2;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  std::fprintf(out, "screen %dx%d, refresh %.0f Hz\n", width, height, effects::displayRefreshHz(nullptr));

  // Two pictures for each effect, gradients of different colours: screen
  // sized for the fade, larger for pan and zoom (held at 1.15 times cover).
  const std::string dir = testing::tempFolder("lumova-effects-bench");
  std::vector<std::string> fadePictures, panPictures;
  for (int i = 0; i < 2; ++i) {
    const unsigned s = static_cast<unsigned>(i + 1);
    const auto colour = [s](int x, int y) { return (s * 90 & 0xFF) << 16 | (y & 0xFF) << 8 | ((x * s) & 0xFF); };
    fadePictures.push_back(dir + "fade" + std::to_string(i) + ".bmp");
    testing::writeBytes(fadePictures.back(), testing::bmp24(width, height, colour));
    panPictures.push_back(dir + "pan" + std::to_string(i) + ".bmp");
    testing::writeBytes(panPictures.back(), testing::bmp24(width * 5 / 4, height * 5 / 4, colour));
  }

  if (offOnly) {
    displayOff(panPictures);
  } else {
    // What a change on monitors of both shapes reads per picture, once.
    const int reads = 200;
    const double t0 = now();
    int known = 0;
    for (int i = 0; i < reads; ++i) known += win32::readUprightSize(panPictures[i % 2]).has_value();
    std::fprintf(out, "upright size from a file's head: %.3f ms a picture (%d of %d known)\n",
                 (now() - t0) * 1000 / reads, known, reads);
  }
  if (!offOnly) {
    Rig rig(settingsFor(fadePictures, "picRandom=cent\r\neffectMode=8\r\n"));
    runMessages(1);
    crossfadeFrames(rig.window.hwnd(), width, height);
    std::vector<double> changes;
    double cpu = 0;
    for (int i = 0; i < 4; ++i) {
      const double cpu0 = processCpuSeconds();
      changes.push_back(rig.change() - effects::kCrossfadeSeconds);
      cpu += processCpuSeconds() - cpu0;
    }
    std::fprintf(out, "crossfade change beyond its 1 s: %.1f to %.1f ms, %.0f ms CPU a change\n",
                 percentile(changes, 0) * 1000, percentile(changes, 1) * 1000, cpu * 1000 / 4);
  }
  if (!offOnly) {
    Rig rig(settingsFor(panPictures, "picRandom=zoom\r\neffectMode=0\r\n"));
    runMessages(2);
    std::vector<double> steps;
    const double cpu0 = processCpuSeconds(), t0 = now();
    runMessages(10, &steps);
    const double cpu = processCpuSeconds() - cpu0, wall = now() - t0;
    std::vector<double> gaps;
    for (std::size_t i = 1; i < steps.size(); ++i) gaps.push_back((steps[i] - steps[i - 1]) * 1000);
    std::fprintf(out,
                 "pan and zoom: %.1f %% of a core, %.1f steps a second; intervals ms: median %.1f, 5%% %.1f, "
                 "95%% %.1f, 99%% %.1f, max %.1f\n",
                 cpu / wall * 100, steps.size() / wall, percentile(gaps, 0.5), percentile(gaps, 0.05),
                 percentile(gaps, 0.95), percentile(gaps, 0.99), percentile(gaps, 1));
    std::vector<double> changes;
    for (int i = 0; i < 3; ++i) changes.push_back(rig.change() - saver::kRevealPauseSeconds);
    std::fprintf(out, "pan and zoom change beyond the 0.3 s pause: %.1f to %.1f ms\n", percentile(changes, 0) * 1000,
                 percentile(changes, 1) * 1000);
  }
  for (const auto& p : fadePictures) DeleteFileA(p.c_str());
  for (const auto& p : panPictures) DeleteFileA(p.c_str());
  RemoveDirectoryA(dir.c_str());
  CoUninitialize();
  if (out != stdout) std::fclose(out);
  return 0;
}
