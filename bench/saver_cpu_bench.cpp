// What the running saver costs the machine: CPU time of the Lumova.scr
// process and of the X server over 10 s, for a still picture, floating at
// the slowest and fastest speeds, with the change timer armed, crossfading
// and panning and zooming, under Wine on a private Xvfb, and with the
// display off (effects_bench_win32.exe --display-off, which turns it off in
// the saver's own process); then the effects' own figures at three screen
// sizes, drawn with GDI and with Direct3D 11 (under Wine, Mesa's software
// renderer llvmpipe draws that on the processor). Run by hand (about seven
// minutes; --effects for the second part alone, optionally at the sizes
// given and with --plain, the renderers untimed; --display-off for that
// case alone):
//   build/native/bench/saver_cpu_bench [--effects [--plain] [WIDTHxHEIGHT...]]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "e2e/e2e_paths.h"
#include "e2e/image.h"
#include "e2e/wait.h"
#include "e2e/wine_desktop.h"

namespace {

using namespace lumova::e2e;
using namespace std::chrono_literals;

std::string readText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// CPU seconds (user + system) a process has used so far.
std::optional<double> cpuSeconds(pid_t pid) {
  const std::string stat = readText("/proc/" + std::to_string(pid) + "/stat");
  const auto close = stat.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The Linux process running `program` in this desktop's prefix.
std::optional<pid_t> programPid(const WineDesktop& d, const std::string& program) {
  const std::string prefix = "WINEPREFIX=" + d.prefixDir().string();
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string cmdline = readText(entry.path() / "cmdline");
    if (cmdline.find(program) == std::string::npos || cmdline.find("launcher") != std::string::npos) continue;
    const std::string environ = readText(entry.path() / "environ");
    if (environ.find(prefix) == std::string::npos) continue;
    return static_cast<pid_t>(std::stoi(name));
  }
  return std::nullopt;
}

struct Case {
  const char* name;
  std::string imageOptions;
  int width = 1024, height = 768;  // the screen, and the pictures when they are larger than 300x200
};

// Stripes, so that a moving picture changes its pixels.
Image striped(int width, int height, Rgb a, Rgb b) {
  Image image(width, height, a);
  for (int x = 0; x < width; x += 32) image.fill(Rect{x, 0, 16, height}, b);
  return image;
}

void measure(const Case& c) {
  WineDesktop d(std::string("cpu-") + c.name, DesktopOptions{c.width, c.height, {}});
  d.start();
  std::filesystem::create_directories(d.saverDir());
  const int w = c.width > 1024 ? c.width : 300, h = c.width > 1024 ? c.height : 200;
  saveBmp(striped(w, h, rgb(200, 120, 40), rgb(180, 60, 20)), d.saverDir() / "a.bmp");
  saveBmp(striped(w, h, rgb(40, 120, 200), rgb(20, 60, 180)), d.saverDir() / "b.bmp");
  d.installSaver(
      "[total]\r\ntotal=2\r\n[images]\r\n0=C:\\Lumova\\a.bmp\r\n1=C:\\Lumova\\b.bmp\r\n[caption]\r\n0=\r\n1=\r\n"
      "[image]\r\n" +
      c.imageOptions + "randomEffect=0\r\n[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n");
  d.startSaver("/s");
  std::optional<pid_t> pid;
  waitUntil(
      [&] { return (pid = programPid(d, "Lumova.scr")).has_value() && d.screen().findWindow("Lumova Screen Saver"); },
      15s);
  if (!pid) {
    std::cout << c.name << ": the saver did not start\n";
    return;
  }
  std::this_thread::sleep_for(3s);  // the first picture is up, start-up work done
  const auto saver0 = cpuSeconds(*pid), x0 = cpuSeconds(d.screen().serverPid());
  const auto t0 = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(10s);
  const auto saver1 = cpuSeconds(*pid), x1 = cpuSeconds(d.screen().serverPid());
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (!saver0 || !saver1 || !x0 || !x1) {
    std::cout << c.name << ": could not read the CPU times\n";
    return;
  }
  const double saver = (*saver1 - *saver0) / wall * 100, x = (*x1 - *x0) / wall * 100;
  std::printf("%-28s saver %5.2f %%  X server %5.2f %%  together %5.2f %% of a core\n", c.name, saver, x, saver + x);
  d.stop();
}

// effects_bench_win32.exe on a screen of this size with the arguments
// given (the X server's process added); prints what it wrote.
void effects(int width, int height, const std::string& arguments) {
  WineDesktop d("effects-" + std::to_string(width) + "x" + std::to_string(height), DesktopOptions{width, height, {}});
  d.start();
  const auto program = d.install(winBuildDir() / "bench" / "effects_bench_win32.exe", "bench");
  const auto result = program.parent_path() / "effects.txt";
  const std::string xServer = "--xserver=" + std::to_string(d.screen().serverPid()) + " ";
  const auto t0 = std::chrono::steady_clock::now();
  WineProcess& p = d.launch(program, arguments + " " + xServer + d.windowsPath(result));
  // Its CPU as Linux counts it, every thread, last read before it ended:
  // what its own GetProcessTimes should agree with.
  std::optional<pid_t> pid;
  std::optional<double> linuxCpu;
  while (p.running() && std::chrono::steady_clock::now() - t0 < 900s) {
    if (!pid) pid = programPid(d, "effects_bench_win32.exe");
    if (pid)
      if (const auto cpu = cpuSeconds(*pid)) linuxCpu = cpu;
    std::this_thread::sleep_for(200ms);
  }
  if (!p.waitForExit(5s)) std::cout << width << "x" << height << " " << arguments << ": the bench did not end\n";
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::cout << "== " << width << "x" << height << " " << arguments << " (" << static_cast<int>(wall) << " s)\n"
            << readText(result);
  if (linuxCpu) std::printf("process CPU as Linux counted it, last read before the end: %.2f s\n", *linuxCpu);
  std::cout << "\n";
  d.stop();
}

// Both renderers at this size (`extra` added to the arguments).
void effectsBothWays(int width, int height, const std::string& extra) {
  effects(width, height, "--renderer=gdi" + extra);
  effects(width, height, "--renderer=card" + extra);
}

}  // namespace

int main(int argc, char** argv) {
  const bool effectsOnly = argc > 1 && std::string(argv[1]) == "--effects";
  const bool offOnly = argc > 1 && std::string(argv[1]) == "--display-off";
  const Case cases[] = {
      {"still, centred", "timeInterval=0\r\npicRandom=cent\r\neffectMode=0\r\n"},
      {"floating at speed 0", "timeInterval=0\r\npicRandom=rand\r\npicSpeed=0\r\neffectMode=0\r\n"},
      {"floating at speed 5", "timeInterval=0\r\npicRandom=rand\r\npicSpeed=5\r\neffectMode=0\r\n"},
      {"between changes (60 s)", "timeInterval=60\r\npicRandom=cent\r\neffectMode=0\r\n"},
      {"changing every 5 s", "timeInterval=5\r\npicRandom=cent\r\neffectMode=0\r\n"},
      {"pan and zoom, 1920x1080", "timeInterval=0\r\npicRandom=zoom\r\neffectMode=0\r\n", 1920, 1080},
      {"crossfade every 2 s, 1920x1080", "timeInterval=2\r\npicRandom=cent\r\neffectMode=8\r\n", 1920, 1080},
  };
  std::vector<std::pair<int, int>> sizes;
  std::string extra;
  for (int i = 2; effectsOnly && i < argc; ++i) {
    if (std::string(argv[i]) == "--plain") {
      extra = " --plain";
      continue;
    }
    int w = 0, h = 0;
    if (std::sscanf(argv[i], "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) {
      std::cerr << "not a screen size: " << argv[i] << "\n";
      return 2;
    }
    sizes.emplace_back(w, h);
  }
  if (sizes.empty()) sizes = {{1024, 768}, {1920, 1080}, {3840, 2160}};
  try {
    if (offOnly) {
      effects(1920, 1080, "--display-off");
      return 0;
    }
    if (!effectsOnly) {
      for (const Case& c : cases) measure(c);
      effects(1920, 1080, "--display-off");
    }
    std::cout << "The figures are wall and CPU times on a shared machine: noisy. Under Wine the card's process CPU\n"
                 "includes Wine's Direct3D and Mesa's software renderer llvmpipe, which does on the processor what a\n"
                 "graphics card does.\n\n";
    for (const auto& [w, h] : sizes) effectsBothWays(w, h, extra);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
