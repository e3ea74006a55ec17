// Many picture changes through the real saver window: what the process holds
// returns to its level after the first change.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/clock.h"
#include "common/message_box.h"
#include "common/random.h"
#include "common/wic_loader_win32.h"
#include "saver/form1.h"
#include "saver/form1_win32.h"
#include "common/module1.h"
#include "tests/fakes/fake_host.h"
#include "tests/fakes/memory_file_store.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/soak_support.h"
#include "tests/support/temp_files_win32.h"

using namespace lumova;

using lumova::testing::RushingClock;
using lumova::testing::SilentMessages;

namespace {

void writeBmp(const std::string& path, int w, int h, std::uint32_t rgb) {
  ASSERT_TRUE(lumova::testing::writeBytes(path, lumova::testing::bmp24(w, h, [rgb](int, int) { return rgb; })));
}

struct Usage {
  DWORD gdi, user;
  SIZE_T privateBytes;
  DWORD handles;
};

Usage usage() {
  Usage u{};
  u.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  u.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  // The plain record: Wine fills it, but not the extended one.
  PROCESS_MEMORY_COUNTERS m{};
  m.cb = sizeof m;
  GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
  u.privateBytes = m.PagefileUsage;
  if (!GetProcessHandleCount(GetCurrentProcess(), &u.handles)) u.handles = 0;
  return u;
}

void pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

TEST(SaverSoak, FiveHundredChangesHoldNothingMore) {
  const std::string dir = lumova::testing::tempFolder("lumova-soak");
  writeBmp(dir + "a.bmp", 640, 480, 0xC82828);
  writeBmp(dir + "b.bmp", 320, 500, 0x28C828);
  writeBmp(dir + "c.bmp", 900, 300, 0x2828C8);

  fakes::MemoryFileStore files;
  files.files["C:\\soak\\zbfaone.ini"] =
      "[total]\r\ntotal=3\r\n[images]\r\n0=" + dir + "a.bmp\r\n1=" + dir + "b.bmp\r\n2=" + dir +
      "c.bmp\r\n[caption]\r\n0=First caption\r\n1=\r\n2=Third\r\n[image]\r\ntimeInterval=1\r\npicRandom=rand\r\n"
      "effectMode=0\r\n";
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
  form = std::make_unique<saver::Form1>(saver::Form1Deps{window, window, host, window, clock, random, loader, messages,
                                                         module1, files, "C:\\soak", nullptr});
  form->Form_Load();
  ShowWindow(window.hwnd(), SW_SHOWNA);
  form->Timer3_Timer();
  form->Timer2_Timer();
  pump();
  const Usage start = usage();

  for (int i = 0; i < 500; ++i) {
    form->Timer2_Timer();
    form->Timer1_Timer();
    pump();
  }
  const Usage end = usage();
  EXPECT_EQ(messages.shown, 0);
  EXPECT_FALSE(host.ended);
  // GDI and USER object counts (real Windows reports them; Wine reports 0).
  EXPECT_LE(end.gdi, start.gdi + 2);
  EXPECT_LE(end.user, start.user + 2);
  EXPECT_LE(end.handles, start.handles + 4);
  // A leaked picture would be 0.6 to 1.2 MB a change.
  ASSERT_GT(start.privateBytes, 0u) << "the process's memory could not be read";
  EXPECT_LT(static_cast<double>(end.privateBytes) - static_cast<double>(start.privateBytes), 4.0 * 1024 * 1024);
  std::printf("soak: gdi %lu -> %lu, user %lu -> %lu, handles %lu -> %lu, private %.1f -> %.1f MB\n",
              static_cast<unsigned long>(start.gdi), static_cast<unsigned long>(end.gdi),
              static_cast<unsigned long>(start.user), static_cast<unsigned long>(end.user),
              static_cast<unsigned long>(start.handles), static_cast<unsigned long>(end.handles),
              start.privateBytes / 1048576.0, end.privateBytes / 1048576.0);
}
