#pragma once
// One test's own Windows desktop: a private Xvfb display, a private copy of
// the Wine prefix, one idle Wine process that keeps Wine's desktop up, and the
// programs the test starts through the launcher.

#include <chrono>
#include <cstdint>
#include <deque>
#include <sys/types.h>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "e2e/process.h"
#include "e2e/wine_prefix.h"
#include "e2e/x_session.h"

namespace lumova::e2e {

struct DesktopOptions {
  int width = 1024;
  int height = 768;
  // Two or more (width, height): monitors side by side, the first one the
  // primary, instead of one screen of width x height.
  std::vector<std::pair<int, int>> monitors;
};

// A program started through the launcher. Ending the launcher ends the
// program: it runs inside the launcher's kill-on-close job.
class WineProcess {
 public:
  // The program has not ended yet.
  bool running();
  // The program's exit code, once it has ended within the time-out.
  // Throws HarnessError if the launcher ended without reporting one.
  std::optional<std::uint32_t> waitForExit(std::chrono::milliseconds timeout);
  // Ends the program now, with its launcher; it then reports no exit code.
  void kill();
  // The Unix process group of this start: `wine` (start.exe), the launcher
  // and, as Wine starts it, the program.
  pid_t processGroup() const { return launcher_.pid(); }

 private:
  friend class WineDesktop;
  std::optional<std::uint32_t> exitCode();
  ChildProcess launcher_;
  std::filesystem::path exitFile_;
  std::filesystem::path log_;
  std::optional<std::uint32_t> code_;
  bool killed_ = false;
};

// A Wine program run to its end by WineDesktop::runWine.
struct WineRun {
  std::optional<int> status;  // its exit status; nothing if it overran (it was then ended)
  std::string output;         // what it wrote to stdout and stderr
};

class WineDesktop {
 public:
  // `name` names the test's folder below workRoot(); any character outside
  // [A-Za-z0-9._-] becomes '_'.
  explicit WineDesktop(std::string name, DesktopOptions options = {});
  ~WineDesktop();
  WineDesktop(const WineDesktop&) = delete;
  WineDesktop& operator=(const WineDesktop&) = delete;

  // Brings everything up; throws HarnessError. Makes the template prefix
  // first if there is none yet (normally the CTest fixture has made it).
  void start();
  // Ends every Wine process of this prefix and the display, and removes the
  // prefix copy (set LUMOVA_E2E_KEEP=1 to keep it). Logs stay.
  void stop();

  XSession& screen() { return screen_; }
  const std::filesystem::path& workDir() const { return workDir_; }
  std::filesystem::path prefixDir() const { return workDir_ / "prefix"; }
  std::filesystem::path driveC() const { return prefixDir() / "drive_c"; }
  // The name a Windows program uses for a file: C:\... inside the prefix's
  // drive C, Z:\... elsewhere.
  std::string windowsPath(const std::filesystem::path& file) const;

  // Copies a program into a folder of drive C (created if needed), under its
  // own name or the one given; returns the copy's path.
  std::filesystem::path install(const std::filesystem::path& program, const std::filesystem::path& folderInDriveC,
                                const std::string& name = {});

  // The saver's folder, C:\Lumova: the settings file and pictures go here.
  std::filesystem::path saverDir() const { return driveC() / "Lumova"; }
  // Copies Lumova.scr into saverDir() and, unless nullopt, writes zbfaone.ini
  // beside it with exactly this text.
  std::filesystem::path installSaver(std::optional<std::string_view> settings);
  // Starts the installed saver with this argument text, exactly as given
  // (the command line is the quoted program path, a blank, then the text;
  // just the quoted path for an empty text).
  WineProcess& startSaver(std::string_view argumentText);

  // Starts a program (a path on this machine) with the argument text as above.
  WineProcess& launch(const std::filesystem::path& program, std::string_view argumentText);
  // Starts a program with a complete command line of the test's choosing.
  WineProcess& launchCommandLine(const std::filesystem::path& program, std::string_view commandLine);

  // Runs `wine <args...>` to its end, outside the launcher's job, so what it
  // starts lives on: an uninstaller that re-runs itself from %TEMP%, a
  // program opened with `start`. For the Wine tools too (`reg query ...`).
  // Wine re-quotes the arguments; the output is also added to wine.log.
  WineRun runWine(const std::vector<std::string>& args, std::chrono::milliseconds timeout);

  // The Linux process running the installed Lumova.scr in this prefix (not
  // the launcher that started it), once there is one.
  std::optional<pid_t> saverPid() const;
  // The files that process has mapped (/proc/<pid>/maps): which libraries
  // it loaded. Empty when it is not running.
  std::string saverMaps() const;

  // Everything Wine and its programs wrote to stderr during this test.
  std::string wineLog() const;
  // The lines of that log that show a crash; empty when nothing crashed.
  std::vector<std::string> crashReport() const;

 private:
  std::string name_;
  DesktopOptions options_;
  std::filesystem::path workDir_;
  XSession screen_;
  WineWatchdog watchdog_;
  ChildProcess idle_;
  std::deque<WineProcess> processes_;
  int runs_ = 0;
  bool started_ = false;
};

// Helpers, exposed for their own tests.

// Lower-case hex of the bytes: how texts reach the launcher unharmed.
std::string hexEncode(std::string_view bytes);
// The command line for a program and an argument text (see startSaver).
std::string commandLineFor(std::string_view windowsProgram, std::string_view argumentText);
// Maps a file to its Windows name given the prefix's drive_c folder.
std::string windowsPathFor(const std::filesystem::path& driveC, const std::filesystem::path& file);
// Lines of Wine's stderr that mark a crash ("Unhandled page fault",
// "Unhandled exception", "starting debugger").
std::vector<std::string> crashLines(std::string_view log);
// A test or file name reduced to [A-Za-z0-9._-].
std::string safeFileName(std::string_view name);

}  // namespace lumova::e2e
