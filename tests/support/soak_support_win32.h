// What the long-running saver checks share: the real saver window over fake
// settings and host, a clock that rushes through every pause, message boxes
// that only count, and what the process holds.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <memory>
#include <string>
#include <utility>

#include "common/clock.h"
#include "common/message_box.h"
#include "common/protection.h"
#include "common/random.h"
#include "picture/wic_loader_win32.h"
#include "saver/slideshow.h"
#include "saver/saver_window_win32.h"
#include "startup/saver_run_win32.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/memory_file_store.h"

namespace lumova::testing {

// Time runs on with every look at the clock: the pause before a reveal ends
// at once, and the effect drawn at random is seeded anew each change.
class RushingClock : public Clock {
 public:
  double secondsSinceMidnight() const override { return 3600 + t_; }
  double monotonicSeconds() const override { return t_ += 0.31; }

 private:
  mutable double t_ = 0;
};

class SilentMessages : public MessageBoxes {
 public:
  int shown = 0;
  MessageAnswer show(const std::string&, MessageKind) override {
    ++shown;
    return MessageAnswer::Ok;
  }
};

inline void pumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

struct Usage {
  SIZE_T privateBytes = 0;
  SIZE_T workingSet = 0;
  DWORD gdi = 0;
  DWORD user = 0;
  DWORD handles = 0;
  bool extended = false;  // privateBytes is PrivateUsage rather than PagefileUsage
};

inline Usage usage() {
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

inline saver::SaverWindowParts unpacedIf(bool unpaced, saver::SaverWindowParts parts = {}) {
  if (unpaced) parts.frameWaiter = std::make_unique<effects::UnpacedFrameWaiter>();
  return parts;
}

// The saver run over the given settings file (in memory), wired as the
// entry point wires it, loaded, shown and past its start, with a host that
// answers `platform` and only records; `parts` are the window's.
class SoakSaver {
 public:
  explicit SoakSaver(const std::string& settings, bool unpaced = false, std::int32_t platform = kPlatformNT,
                     saver::SaverWindowParts windowParts = {})
      : host(log, platform),
        run(GetModuleHandleA(nullptr), parts(settings, unpacedIf(unpaced, std::move(windowParts)))),
        window(run.window()) {
    form = &run.slideshow();
    form->start();
    ShowWindow(window.hwnd(), SW_SHOWNA);
    form->onStartupTick();
  }

  fakes::MemoryFileStore files;
  fakes::CallLog log;
  fakes::FakeHost host;
  RushingClock clock;
  SilentMessages messages;
  startup::SaverRun run;
  saver::SaverWindow& window;
  saver::Slideshow* form = nullptr;

 private:
  // The settings are in place before the run is made: it reads how to draw
  // as it makes its window.
  startup::SaverParts parts(const std::string& settings, saver::SaverWindowParts windowParts) {
    files.files["C:\\soak\\zbfaone.ini"] = settings;
    startup::SaverParts p;
    p.settingsFolder = "C:\\soak";
    p.files = &files;
    p.host = &host;
    p.clock = &clock;
    p.preload = false;
    p.messages = &messages;
    p.scanFolders = false;
    p.window = std::move(windowParts);
    return p;
  }
};

}  // namespace lumova::testing
