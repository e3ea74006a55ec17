// Many picture changes through the real saver window: what the process holds
// returns to its level after the first change.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <fstream>
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
#include "tests/support/soak_support.h"

using namespace lumova;

using lumova::testing::RushingClock;
using lumova::testing::SilentMessages;

namespace {

// A 24-bit bitmap of one colour.
void writeBmp(const std::string& path, int w, int h, unsigned char r, unsigned char g, unsigned char b) {
  int row = (w * 3 + 3) & ~3;
  std::vector<unsigned char> f(54 + static_cast<std::size_t>(row) * h, 0);
  auto put32 = [&](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  f[0] = 'B', f[1] = 'M';
  put32(2, static_cast<std::uint32_t>(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(w));
  put32(22, static_cast<std::uint32_t>(h));
  f[26] = 1, f[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::size_t at = 54 + static_cast<std::size_t>(y) * row + x * 3;
      f[at] = b, f[at + 1] = g, f[at + 2] = r;
    }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
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
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string dir = std::string(temp) + "lumova-soak\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  writeBmp(dir + "a.bmp", 640, 480, 200, 40, 40);
  writeBmp(dir + "b.bmp", 320, 500, 40, 200, 40);
  writeBmp(dir + "c.bmp", 900, 300, 40, 40, 200);

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
