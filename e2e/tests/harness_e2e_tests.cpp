// End-to-end tests of the harness itself, on the real Lumova.scr and on a
// small probe program, under Wine on a private display.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "e2e/files.h"
#include "e2e/harness_error.h"
#include "e2e/e2e_paths.h"
#include "e2e/e2e_test.h"
#include "e2e/wait.h"

namespace lumova::e2e {
namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kSaverTitle = "Lumova Screen Saver";

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A complete settings file, as the settings dialog writes it, with one
// picture: a saver given every value it reads has no reason to stop early.
std::string oneBitmapSettings(const std::string& picture) {
  return "[images]\r\n0=" + picture +
         "\r\n[total]\r\ntotal=1\r\n[caption]\r\n0=\r\n"
         "[image]\r\nrandomPick=0\r\npicSpeed=0\r\ntimeInterval=0\r\npicRandom=cent\r\npicChange=not_ch\r\n"
         "effectMode=0\r\nrandomEffect=0\r\n"
         "[background]\r\nnewBackColor=0\r\nbackEffect=0\r\n"
         "[password]\r\nsaverPassword=\r\nsaverEnabled=0\r\n"
         "[font]\r\nnewFontName=Arial\r\nnewFontSize=12\r\nnewFontBold=False\r\nnewFontItalic=False\r\n"
         "newFontUnderline=False\r\nnewFontFontStrikethru=False\r\nnewFontForeColor=16777215\r\n";
}

using SaverE2E = E2ETest;

TEST_F(SaverE2E, SaverCoversTheScreenAndEndsOnAKey) {
  const fs::path picture = desktop().saverDir() / "red.bmp";
  desktop().installSaver(oneBitmapSettings(desktop().windowsPath(picture)));
  ASSERT_TRUE(saveBmp(Image(64, 48, rgb(200, 30, 30)), picture));

  const auto start = Clock::now();
  WineProcess& saver = desktop().startSaver("/s");
  const auto window = screen().waitForWindow(kSaverTitle, std::chrono::seconds(10));
  ASSERT_TRUE(window) << "no window titled \"" << kSaverTitle << "\" within 10 s";
  std::cout << "saver window up after " << secondsSince(start) << " s\n";
  EXPECT_TRUE(window->geometry.contains(screen().screen())) << "window " << window->geometry;
  EXPECT_TRUE(screen().isOnTop(window->id)) << "another window lies over the saver";
  ASSERT_TRUE(saver.running());

  // A lone Shift: the key least likely to be taken for text.
  const auto pressed = Clock::now();
  ASSERT_TRUE(screen().pressKey("Shift_L"));
  EXPECT_TRUE(saver.waitForExit(std::chrono::seconds(5))) << "still running 5 s after a key";
  std::cout << "saver ended " << secondsSince(pressed) << " s after the key\n";
  EXPECT_TRUE(waitUntil([&] { return !screen().findWindow(kSaverTitle); }, std::chrono::seconds(2)))
      << "the window outlived the program";
}

class LauncherE2E : public E2ETest {
 protected:
  void SetUp() override {
    E2ETest::SetUp();
    probe_ = desktop().install(probeProgram(), "probe", "probe.exe");
  }
  std::string recordedCommandLine() const { return readFile(probe_.parent_path() / "cmdline.txt"); }
  fs::path probe_;
};

TEST_F(LauncherE2E, PassesTheArgumentTextVerbatim) {
  struct Row {
    std::string argumentText;
    std::string commandLine;
  };
  const Row rows[] = {
      {"/s", R"("C:\probe\probe.exe" /s)"},
      {" /s", R"("C:\probe\probe.exe"  /s)"},
      {"/S", R"("C:\probe\probe.exe" /S)"},
      {"/s:1234", R"("C:\probe\probe.exe" /s:1234)"},
      {"/p 1234", R"("C:\probe\probe.exe" /p 1234)"},
      {"", R"("C:\probe\probe.exe")"},
      {"\"quoted text\"  \ttab ", "\"C:\\probe\\probe.exe\" \"quoted text\"  \ttab "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("argument text [" + row.argumentText + "]");
    std::error_code error;
    fs::remove(probe_.parent_path() / "cmdline.txt", error);
    WineProcess& probe = desktop().launch(probe_, row.argumentText);
    const auto code = probe.waitForExit(std::chrono::seconds(15));
    ASSERT_TRUE(code) << "the probe did not end";
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(recordedCommandLine(), row.commandLine);
  }
}

TEST_F(LauncherE2E, ReportsTheWholeExitCode) {
  // Beyond 255 too: only the low byte would survive a Unix exit status.
  for (const std::uint32_t expected : {0u, 7u, 300u, 3000000000u}) {
    SCOPED_TRACE("exit code " + std::to_string(expected));
    WineProcess& probe = desktop().launch(probe_, "--exit=" + std::to_string(expected));
    const auto code = probe.waitForExit(std::chrono::seconds(15));
    ASSERT_TRUE(code) << "the probe did not end";
    EXPECT_EQ(*code, expected);
  }
}

TEST_F(LauncherE2E, RetriesOnlyWinesFailedStartAndOnlyOnce) {
  constexpr std::string_view kRetryNote = "trying once more";
  struct Row {
    const char* failures;  // the errors the first starts fail with
    bool runs;
  };
  const Row rows[] = {
      {"1359", true},        // ERROR_INTERNAL_ERROR: the new process went before it started
      {"1359,1359", false},  // twice: a real fault
      {"2", false},          // any other error at once
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string("failures ") + row.failures);
    const auto count = [&] {
      const std::string log = desktop().wineLog();
      std::size_t n = 0;
      for (auto at = log.find(kRetryNote); at != std::string::npos; at = log.find(kRetryNote, at + 1)) ++n;
      return n;
    };
    const std::size_t notesBefore = count();
    ::setenv("LUMOVA_E2E_LAUNCHER_FAIL", row.failures, 1);
    WineProcess& probe = desktop().launch(probe_, "--exit=7");
    ::unsetenv("LUMOVA_E2E_LAUNCHER_FAIL");
    if (row.runs) {
      const auto code = probe.waitForExit(std::chrono::seconds(15));
      ASSERT_TRUE(code) << "the probe did not end";
      EXPECT_EQ(*code, 7u);
    } else {
      try {
        probe.waitForExit(std::chrono::seconds(15));
        ADD_FAILURE() << "the launcher reported an exit code";
      } catch (const HarnessError& e) {
        EXPECT_NE(std::string(e.what()).find("could not start"), std::string::npos) << e.what();
      }
    }
    // One note for each retry, in the test's log.
    EXPECT_EQ(count() - notesBefore, std::string_view(row.failures).starts_with("1359") ? 1u : 0u)
        << desktop().wineLog();
  }
}

// The Unix process of the launcher itself (not of start.exe, through which
// `wine` starts it), found by its command line in the start's process group.
std::optional<pid_t> launcherPid(pid_t group) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string stat = readFile(entry.path() / "stat");
    const auto afterName = stat.rfind(") ");
    if (afterName == std::string::npos) continue;
    std::istringstream fields(stat.substr(afterName + 2));
    std::string state;
    pid_t parent = 0, processGroup = 0;
    fields >> state >> parent >> processGroup;
    std::string commandLine = readFile(entry.path() / "cmdline");
    std::replace(commandLine.begin(), commandLine.end(), '\0', ' ');
    if (processGroup == group && commandLine.find("lumova_e2e_launcher.exe run") != std::string::npos &&
        commandLine.find("start.exe") == std::string::npos)
      return std::stoi(name);
  }
  return std::nullopt;
}

TEST_F(LauncherE2E, ProgramEndsWithItsLauncher) {
  WineProcess& probe = desktop().launch(probe_, "--wait");
  ASSERT_TRUE(screen().waitForWindow("Lumova e2e probe", std::chrono::seconds(10)));
  // Only the launcher: its kill-on-close job must take the program along.
  const auto launcher = launcherPid(probe.processGroup());
  ASSERT_TRUE(launcher) << "no launcher process in group " << probe.processGroup();
  ASSERT_EQ(::kill(*launcher, SIGKILL), 0);
  EXPECT_TRUE(waitUntil([&] { return !screen().findWindow("Lumova e2e probe"); }, std::chrono::seconds(5)))
      << "the program outlived its launcher";

  // And kill() ends a program whose launcher is still there.
  WineProcess& second = desktop().launch(probe_, "--wait");
  ASSERT_TRUE(screen().waitForWindow("Lumova e2e probe", std::chrono::seconds(10)));
  second.kill();
  EXPECT_FALSE(second.running());
  EXPECT_TRUE(waitUntil([&] { return !screen().findWindow("Lumova e2e probe"); }, std::chrono::seconds(5)))
      << "the program outlived kill()";
}

TEST_F(LauncherE2E, NoticesACrash) {
  expectCrash();
  EXPECT_TRUE(desktop().crashReport().empty());
  desktop().launch(probe_, "--crash");
  ASSERT_TRUE(waitUntil([&] { return !desktop().crashReport().empty(); }, std::chrono::seconds(15)))
      << "no crash marker in Wine's log:\n"
      << desktop().wineLog();
  EXPECT_NE(desktop().crashReport().front().find("Unhandled page fault"), std::string::npos)
      << desktop().crashReport().front();
}

}  // namespace
}  // namespace lumova::e2e
