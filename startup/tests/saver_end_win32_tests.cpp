// The saver run as the entry point wires it: ended from outside while the
// password lock is on, the lock is released before the program ends; and
// the priorities it runs its threads at.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "startup/input.h"
#include "tests/support/bmp_bytes.h"
#include "tests/support/soak_support_win32.h"
#include "tests/support/temp_files_win32.h"

namespace lumova {
namespace {

using Log = std::vector<std::string>;

TEST(SaverEnd, FromOutsideTheLockIsReleasedFirst) {
  struct Row {
    const char* how;
    std::function<void(HWND)> act;
    Log after;  // what the host is asked once the lock is on
  };
  const Row rows[] = {
      {"the session ends", [](HWND w) { SendMessageW(w, WM_ENDSESSION, TRUE, 0); }, {"lock off", "end"}},
      {"the session goes on", [](HWND w) { SendMessageW(w, WM_ENDSESSION, FALSE, 0); }, {}},
      {"destroyed", [](HWND w) { DestroyWindow(w); }, {"lock off", "end"}},
      {"closed", [](HWND w) { SendMessageW(w, WM_CLOSE, 0, 0); }, {"lock off", "end"}},
  };
  const std::string file = testing::tempFolder("lumova-end") + "one.bmp";
  ASSERT_TRUE(testing::writeBytes(file, testing::bmp24(64, 48, [](int, int) { return 0x3060C0u; })));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.how);
    // Outside the NT family, where the lock applies.
    testing::SoakSaver saver(
        "[total]\r\ntotal=1\r\n[images]\r\n0=" + file +
            "\r\n[image]\r\ntimeInterval=0\r\npicRandom=cent\r\n[password]\r\nsaverPassword=x\r\nsaverEnabled=1\r\n",
        false, 1);
    ASSERT_NE(std::find(saver.log.begin(), saver.log.end(), "lock on"), saver.log.end());
    const std::size_t before = saver.log.size();
    ASSERT_FALSE(saver.host.ended);

    r.act(saver.window.hwnd());
    EXPECT_EQ(Log(saver.log.begin() + static_cast<std::ptrdiff_t>(before), saver.log.end()), r.after);
  }
}

TEST(SaverRun, DrawsAtTheHighestLevelOfTheClassItWasGivenAndDecodesAtItsNormalLevel) {
  struct Noting final : PictureLoader {  // the level the preloader's worker decodes at
    using PictureLoader::load;
    PictureLoad load(const PictureRequest& request) override {
      level = GetThreadPriority(GetCurrentThread());
      return wic.load(request);
    }
    std::atomic<int> level{THREAD_PRIORITY_ERROR_RETURN};
    win32::WicPictureLoader wic;
  } decoder;
  const std::string file = testing::tempFolder("lumova-priority") + "one.bmp";
  ASSERT_TRUE(testing::writeBytes(file, testing::bmp24(64, 48, [](int, int) { return 0x3060C0u; })));
  fakes::MemoryFileStore files;
  files.files["C:\\prio\\zbfaone.ini"] = "[total]\r\ntotal=1\r\n[images]\r\n0=" + file + "\r\n";
  fakes::CallLog log;
  fakes::FakeHost host(log);
  testing::SilentMessages messages;
  startup::SaverParts parts{.settingsFolder = "C:\\prio",
                            .files = &files,
                            .host = &host,
                            .decoder = &decoder,
                            .messages = &messages,
                            .scanFolders = false};
  const DWORD given = GetPriorityClass(GetCurrentProcess());
  SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);  // as Windows starts a screen saver
  {
    startup::SaverRun run(GetModuleHandleA(nullptr), std::move(parts));
    run.start();
    for (DWORD end = GetTickCount() + 10000; decoder.level == THREAD_PRIORITY_ERROR_RETURN && GetTickCount() < end;)
      testing::pumpMessages();
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_HIGHEST);
    EXPECT_EQ(decoder.level.load(), THREAD_PRIORITY_NORMAL);
  }
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  SetPriorityClass(GetCurrentProcess(), given);
}

}  // namespace
}  // namespace lumova
