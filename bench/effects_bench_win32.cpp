// The crossfade and pan and zoom through the real saver window, on whatever
// screen the program finds: CPU per crossfade frame, the fade's length with
// and without another process keeping a core busy, pan and zoom's CPU share,
// frame rate and frame intervals, and how long a change takes beyond its
// pause once the next picture is preloaded; with --display-off, what the
// saver costs while the display is off. With --renderer=card the window
// draws with Direct3D 11 (GDI when no device can be made, which it says);
// --renderer=gdi, the default, with GDI. Either way the window's renderer is
// wrapped in one that times what it is asked to do, so that a frame splits
// into the saver's own describing and the renderer's drawing (--plain leaves
// it unwrapped, as the saver has it). A Windows program: run it under Wine
// (build/native/bench/saver_cpu_bench runs it at three screen sizes with
// both renderers), or by hand:
//   tools/wine-run build/win64/bench/effects_bench_win32.exe [--display-off] [--renderer=card|gdi] [--plain]
//     [--seconds=S] [--changes=N] [--xserver=PID] [out.txt]
// --seconds is pan and zoom's measuring window (10 s), --changes the
// crossfades through the window (4), --xserver the X server whose CPU to
// read as well (under Wine, through its Z: drive).
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
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
#include "effects/d3d11_renderer_win32.h"
#include "effects/pan_zoom.h"
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

std::string xServerPid;  // empty: not read

// The X server's CPU seconds so far, read through Wine's Z: drive (0 when
// not asked for, or on Windows). Only for another process: Wine opens files
// in its server, so /proc/self would be wineserver's.
double xServerCpuSeconds() {
  if (xServerPid.empty()) return 0;
  std::FILE* f = std::fopen(("Z:\\proc\\" + xServerPid + "\\stat").c_str(), "rb");
  if (!f) return 0;
  char text[1024];
  const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  text[n] = 0;
  const char* close = std::strrchr(text, ')');
  // Past the name: the state is field 3, user and system time 14 and 15,
  // in the kernel's fixed 100 ticks a second.
  unsigned long long utime = 0, stime = 0;
  if (!close || std::sscanf(close + 2, "%*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu %llu", &utime, &stime) != 2)
    return 0;
  return static_cast<double>(utime + stime) / 100;
}

// Runs the window's messages for `seconds`, noting when each pan-and-zoom
// step has been drawn and summing how long the steps took, and counting
// every message.
void runMessages(double seconds, std::vector<double>* steps = nullptr, int* messages = nullptr,
                 double* stepSeconds = nullptr) {
  const double end = now() + seconds;
  for (double t = now(); t < end; t = now()) {
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>((end - t) * 1000) + 1, QS_ALLINPUT) !=
        WAIT_OBJECT_0)
      continue;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      const double dispatched = now();
      DispatchMessageW(&msg);
      if (msg.message == kFramePulseMessage) {
        if (steps) steps->push_back(now());
        if (stepSeconds) *stepSeconds += now() - dispatched;
      }
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

struct Span {
  double start, end;
};
// What the window asked of its renderer and its frame waiter, when.
struct Timeline {
  std::vector<Span> renderer;    // inside draw() and present()
  std::vector<Span> presenting;  // inside present()
  std::vector<double> presents;  // when each present returned
  std::vector<Span> waits;       // the crossfade's waits for the display
  void clear() { *this = {}; }
};

// How much of `spans` lies between a and b.
double within(const std::vector<Span>& spans, double a, double b) {
  double sum = 0;
  for (const Span& s : spans) sum += std::max(0.0, std::min(s.end, b) - std::max(s.start, a));
  return sum;
}

// The window's renderer, every call forwarded, the wall time inside draw()
// and present() noted. On the card, what D3d11Renderer::draw does before
// the Direct3D runtime takes over is not told apart: both count as the
// renderer's.
class TimedRenderer final : public effects::Renderer {
 public:
  TimedRenderer(std::unique_ptr<effects::Renderer> inner, Timeline& timeline)
      : inner_(std::move(inner)), timeline_(timeline) {}
  effects::PictureId addPicture(PicturePtr picture) override { return inner_->addPicture(std::move(picture)); }
  void releasePicture(effects::PictureId id) override { inner_->releasePicture(id); }
  void draw(const effects::Frame& frame) override {
    const double t0 = now();
    inner_->draw(frame);
    timeline_.renderer.push_back({t0, now()});
  }
  void present() override {
    const double t0 = now();
    inner_->present();
    const double t1 = now();
    timeline_.renderer.push_back({t0, t1});
    timeline_.presenting.push_back({t0, t1});
    timeline_.presents.push_back(t1);
  }
  effects::TextExtent measureText(const effects::TextFont& font, const std::string& text) override {
    return inner_->measureText(font, text);
  }
  bool drawsOnCard() const override { return inner_->drawsOnCard(); }

 private:
  std::unique_ptr<effects::Renderer> inner_;
  Timeline& timeline_;
};

enum class Drawing { Gdi, Card };

struct Options {
  Drawing drawing = Drawing::Gdi;
  bool timed = true;  // the renderer wrapped in a TimedRenderer
  double panSeconds = 10;
  int fadeChanges = 4;
};

// The renderer the window was made with, as makeWindowRenderer gave it.
struct Probe {
  effects::Renderer* drawing = nullptr;
  effects::CardRenderer* card = nullptr;  // when it is the card's
  Timeline timeline;
};

// The crossfade's frame waiter: the one the window would make for its
// renderer (the swap chain's on the card), made once the renderer is, with
// its waits noted. The window would otherwise make it for the wrapper.
class TimedPacer final : public effects::DisplayPacer {
 public:
  explicit TimedPacer(Probe& probe) : probe_(probe) {}
  void refresh(HMONITOR monitor) override { pacer().refresh(monitor); }
  double refreshHz() const override { return pacer().refreshHz(); }
  void begin() override { pacer().begin(); }
  void waitForNextFrame() override {
    const double t0 = now();
    pacer().waitForNextFrame();
    probe_.timeline.waits.push_back({t0, now()});
  }
  bool inputWaiting() override { return pacer().inputWaiting(); }

 private:
  effects::DisplayPacer& pacer() const {
    if (!pacer_) pacer_ = effects::framePacerFor(*probe_.drawing);
    return *pacer_;
  }
  Probe& probe_;
  mutable std::unique_ptr<effects::DisplayPacer> pacer_;
};

// The saver over a settings text, wired as the entry point wires it: the
// real clock, WIC behind the preloader, the renderer of `options`.
struct Rig {
  Rig(const std::string& settings, const Options& options)
      : options(options), host(log), run(GetModuleHandleA(nullptr), parts()), window(run.window()) {
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
    p.window.renderer = [this](HWND h) -> std::unique_ptr<effects::Renderer> {
      auto made = effects::makeWindowRenderer(h, options.drawing == Drawing::Card);
      probe.drawing = made.get();
      probe.card = dynamic_cast<effects::CardRenderer*>(made.get());
      if (!options.timed) return made;
      return std::make_unique<TimedRenderer>(std::move(made), probe.timeline);
    };
    if (options.timed) p.window.frameWaiter = std::make_unique<TimedPacer>(probe);
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
  // What drew, so that a quiet fall back to GDI shows.
  std::string drewWith() const {
    if (!probe.card)
      return options.drawing == Drawing::Card ? "GDI: no Direct3D 11 device or swap chain could be made" : "GDI";
    const effects::D3d11Renderer* card = probe.card->card();
    if (!card) return "GDI: the card renderer lost its device and fell back";
    return card->driver() == D3D_DRIVER_TYPE_HARDWARE ? "Direct3D 11, hardware driver"
                                                      : "Direct3D 11 on WARP (the processor)";
  }
  void printDrawing(const char* part) const {
    std::fprintf(out, "%s drawn with: %s; drawsOnCard %s\n", part, drewWith().c_str(),
                 probe.drawing && probe.drawing->drawsOnCard() ? "yes" : "no");
    if (!probe.card || !probe.card->card()) return;
    const effects::CardStats s = probe.card->card()->stats();
    const std::size_t monitors = std::max<std::size_t>(window.monitorCount(), 1);
    std::fprintf(out,
                 "%s textures held: %zu pictures, %zu texts, %zu looks for %zu monitor(s), %.1f a monitor; "
                 "%llu pictures uploaded, %llu devices made\n",
                 part, s.pictureTextures, s.textTextures, s.lookTextures, monitors,
                 static_cast<double>(s.pictureTextures + s.textTextures + s.lookTextures) / monitors,
                 static_cast<unsigned long long>(s.uploads), static_cast<unsigned long long>(s.devicesMade));
  }
  const char* insideName() const {
    return probe.card && probe.card->card() ? "inside the renderer (our quads plus the runtime)"
                                            : "inside the renderer (GDI)";
  }

  Options options;
  Probe probe;
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

// Frame intervals in ms: median, 95th percentile, maximum.
std::string spreadOf(const std::vector<double>& intervals) {
  char text[96];
  std::snprintf(text, sizeof text, "median %.1f, 95%% %.1f, max %.1f ms", percentile(intervals, 0.5),
                percentile(intervals, 0.95), percentile(intervals, 1));
  return text;
}

int countOver(const std::vector<double>& intervals, double limitMs) {
  return static_cast<int>(std::count_if(intervals.begin(), intervals.end(), [&](double ms) { return ms > limitMs; }));
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
void displayOff(const std::vector<std::string>& pictures, const Options& options) {
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
  Rig rig(settingsFor(pictures, "picRandom=zoom\r\neffectMode=0\r\nclock=2\r\n"), options);
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

// Crossfades through the window: the changes' length beyond the fade and
// their CPU; timed, the frames the renderer presented, how they spread and
// how a frame's time divides between the saver and the renderer.
void crossfadeThroughWindow(Rig& rig, double refreshHz) {
  const int count = rig.options.fadeChanges;
  std::vector<double> changes, intervals;
  double cpu = 0, xCpu = 0, wall = 0, inside = 0, presenting = 0, waits = 0;
  int frames = 0, framedChanges = 0;
  for (int i = 0; i < count; ++i) {
    rig.probe.timeline.clear();
    const double cpu0 = processCpuSeconds(), x0 = xServerCpuSeconds();
    changes.push_back(rig.change() - effects::kCrossfadeSeconds);
    cpu += processCpuSeconds() - cpu0;
    xCpu += xServerCpuSeconds() - x0;
    const Timeline& t = rig.probe.timeline;
    if (t.presents.size() < 2) continue;
    ++framedChanges;
    frames += static_cast<int>(t.presents.size());
    // From the first frame shown to the last: each later frame's describing,
    // drawing and wait.
    const double a = t.presents.front(), b = t.presents.back();
    wall += b - a;
    inside += within(t.renderer, a, b);
    presenting += within(t.presenting, a, b);
    waits += within(t.waits, a, b);
    for (std::size_t k = 1; k < t.presents.size(); ++k) intervals.push_back((t.presents[k] - t.presents[k - 1]) * 1000);
  }
  std::fprintf(out, "crossfade change beyond its 1 s: %.1f to %.1f ms, %.0f ms CPU a change\n",
               percentile(changes, 0) * 1000, percentile(changes, 1) * 1000, cpu * 1000 / count);
  if (!rig.options.timed || frames == 0) return;
  const int later = frames - framedChanges;  // the frames after each change's first
  std::fprintf(out,
               "crossfade frames: %d over %d changes, %.1f a second; intervals %s; %d over two refreshes (%.1f ms)\n",
               frames, count, later / std::max(wall, 1e-9), spreadOf(intervals).c_str(),
               countOver(intervals, 2000 / refreshHz), 2000 / refreshHz);
  const double per = 1000.0 / std::max(later, 1);
  std::fprintf(
      out,
      "crossfade a frame: process CPU %.2f ms, X server CPU %.2f ms (the changes' whole, over their frames); wall time "
      "on the window's thread: the "
      "saver's own describing %.2f ms, %s %.2f ms (present() alone %.2f ms), waiting for the display %.2f ms\n",
      cpu * 1000 / frames, xCpu * 1000 / frames, (wall - inside - waits) * per, rig.insideName(), inside * per,
      presenting * per, waits * per);
}

// Pan and zoom over the measuring window: the share of a core, steps a
// second and their spread; timed, how a step's time divides between the
// saver and the renderer; then how long a change takes beyond its pause.
void panAndZoom(Rig& rig, double refreshHz) {
  runMessages(2);
  rig.probe.timeline.clear();
  std::vector<double> steps;
  double stepSeconds = 0;
  const double cpu0 = processCpuSeconds(), x0 = xServerCpuSeconds(), t0 = now();
  runMessages(rig.options.panSeconds, &steps, nullptr, &stepSeconds);
  const double cpu = processCpuSeconds() - cpu0, xCpu = xServerCpuSeconds() - x0, wall = now() - t0;
  std::vector<double> gaps;
  for (std::size_t i = 1; i < steps.size(); ++i) gaps.push_back((steps[i] - steps[i - 1]) * 1000);
  std::fprintf(out,
               "pan and zoom: %.1f %% of a core, %.1f steps a second; intervals ms: median %.1f, 5%% %.1f, "
               "95%% %.1f, 99%% %.1f, max %.1f\n",
               cpu / wall * 100, steps.size() / wall, percentile(gaps, 0.5), percentile(gaps, 0.05),
               percentile(gaps, 0.95), percentile(gaps, 0.99), percentile(gaps, 1));
  const int every = effects::panZoomFramesPerStep(refreshHz, rig.probe.drawing && rig.probe.drawing->drawsOnCard());
  const int n = std::max<int>(static_cast<int>(steps.size()), 1);
  std::fprintf(
      out,
      "pan and zoom steps: %zu over %.0f s, one every %d refresh(es); intervals %s; %d over two refreshes (%.1f ms)",
      steps.size(), wall, every, spreadOf(gaps).c_str(), countOver(gaps, 2000 / refreshHz), 2000 / refreshHz);
  if (every > 1)
    std::fprintf(out, ", %d over two steps (%.1f ms)", countOver(gaps, 2000.0 * every / refreshHz),
                 2000.0 * every / refreshHz);
  std::fprintf(out, "\n");
  std::fprintf(out, "pan and zoom a step: process CPU %.2f ms, X server CPU %.2f ms", cpu * 1000 / n, xCpu * 1000 / n);
  if (rig.options.timed) {
    const double inside = within(rig.probe.timeline.renderer, t0, t0 + wall);
    const double presenting = within(rig.probe.timeline.presenting, t0, t0 + wall);
    std::fprintf(out,
                 "; wall time on the window's thread: the saver's own describing %.2f ms, %s %.2f ms (present() "
                 "alone %.2f ms; %zu presents)",
                 (stepSeconds - inside) * 1000 / n, rig.insideName(), inside * 1000 / n, presenting * 1000 / n,
                 rig.probe.timeline.presents.size());
  }
  std::fprintf(out, "\n");
  std::vector<double> changes;
  for (int i = 0; i < 3; ++i) changes.push_back(rig.change() - saver::kRevealPauseSeconds);
  std::fprintf(out, "pan and zoom change beyond the 0.3 s pause: %.1f to %.1f ms\n", percentile(changes, 0) * 1000,
               percentile(changes, 1) * 1000);
  rig.printDrawing("pan and zoom");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--busy") == 0) {
    volatile unsigned long long spin = 0;
    for (;;) spin = spin + 1;
  }
  bool offOnly = false;
  Options options;
  const char* outPath = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&](const char* name) {
      return arg.rfind(name, 0) == 0 ? std::optional<std::string>(arg.substr(std::strlen(name))) : std::nullopt;
    };
    if (arg == "--display-off") {
      offOnly = true;
    } else if (arg == "--plain") {
      options.timed = false;
    } else if (const auto r = value("--renderer=")) {
      if (*r != "card" && *r != "gdi") return 2;
      options.drawing = *r == "card" ? Drawing::Card : Drawing::Gdi;
    } else if (const auto v = value("--seconds=")) {
      options.panSeconds = std::atof(v->c_str());
    } else if (const auto v = value("--changes=")) {
      options.fadeChanges = std::max(1, std::atoi(v->c_str()));
    } else if (const auto v = value("--xserver=")) {
      xServerPid = *v;
    } else {
      outPath = argv[i];
    }
  }
  if (outPath) out = std::fopen(outPath, "w");
  if (!out) return 2;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const double refreshHz = effects::displayRefreshHz(nullptr);
  std::fprintf(out, "screen %dx%d, refresh %.0f Hz; renderer asked for: %s%s\n", width, height, refreshHz,
               options.drawing == Drawing::Card ? "Direct3D 11 (--renderer=card)" : "GDI (--renderer=gdi)",
               options.timed ? "" : ", untimed (--plain)");
  if (options.drawing == Drawing::Card)
    std::fprintf(out,
                 "under Wine the process CPU includes Wine's Direct3D (wined3d) and Mesa's software renderer "
                 "llvmpipe, which does on the processor what a graphics card does; the X server's CPU is what "
                 "showing the frames costs it\n");
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
    displayOff(panPictures, options);
  } else if (options.drawing == Drawing::Gdi) {
    // What a change on monitors of both shapes reads per picture, once.
    const int reads = 200;
    const double t0 = now();
    int known = 0;
    for (int i = 0; i < reads; ++i) known += win32::readUprightSize(panPictures[i % 2]).has_value();
    std::fprintf(out, "upright size from a file's head: %.3f ms a picture (%d of %d known)\n",
                 (now() - t0) * 1000 / reads, known, reads);
  }
  if (!offOnly) {
    Rig rig(settingsFor(fadePictures, "picRandom=cent\r\neffectMode=8\r\n"), options);
    runMessages(1);
    // The fade's own buffers and row loops, straight to the window with GDI.
    if (options.drawing == Drawing::Gdi) crossfadeFrames(rig.window.hwnd(), width, height);
    crossfadeThroughWindow(rig, refreshHz);
    rig.printDrawing("crossfade");
  }
  if (!offOnly) {
    Rig rig(settingsFor(panPictures, "picRandom=zoom\r\neffectMode=0\r\n"), options);
    panAndZoom(rig, refreshHz);
  }
  for (const auto& p : fadePictures) DeleteFileA(p.c_str());
  for (const auto& p : panPictures) DeleteFileA(p.c_str());
  RemoveDirectoryA(dir.c_str());
  CoUninitialize();
  std::fprintf(out, "process CPU in all (GetProcessTimes): %.2f s\n", processCpuSeconds());
  if (out != stdout) std::fclose(out);
  return 0;
}
