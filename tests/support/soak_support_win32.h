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
#include "common/module1.h"
#include "common/random.h"
#include "picture/wic_loader_win32.h"
#include "saver/form1.h"
#include "saver/form1_win32.h"
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

// The saver window and its logic over the given settings file, loaded,
// shown and past its start; `input` is what the window reports, the host
// answers `platform`; `parts` are the window's.
class SoakSaver {
 public:
  explicit SoakSaver(const std::string& settings, bool unpaced = false, saver::SaverInput input = {},
                     std::int32_t platform = kPlatformNT, saver::SaverWindowParts parts = {})
      : host(log, platform),
        window(
            GetModuleHandleA(nullptr),
            [this](TimerId id) {
              if (form) form->onTimer(id);
            },
            std::move(input), unpacedIf(unpaced, std::move(parts))) {
    files.files["C:\\soak\\zbfaone.ini"] = settings;
    form = std::make_unique<saver::Form1>(saver::Form1Deps{window, window, host, window, clock, random, loader,
                                                           messages, module1, files, "C:\\soak", nullptr});
    window.watchDisplay([this] { form->displayChanged(); });
    form->Form_Load();
    ShowWindow(window.hwnd(), SW_SHOWNA);
    form->Timer3_Timer();
  }

  fakes::MemoryFileStore files;
  fakes::CallLog log;
  fakes::FakeHost host;
  RushingClock clock;
  ClockSeededRandom random{clock};
  win32::WicPictureLoader loader;
  SilentMessages messages;
  Module1 module1;
  std::unique_ptr<saver::Form1> form;
  saver::SaverWindow window;
};

}  // namespace lumova::testing
