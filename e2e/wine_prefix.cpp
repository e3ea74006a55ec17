#include "e2e/files.h"
#include "e2e/wine_prefix.h"

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "e2e/harness_error.h"
#include "e2e/process.h"
#include "e2e/x_session.h"

namespace lumova::e2e {
namespace fs = std::filesystem;
namespace {

constexpr const char* kReadyStamp = ".lumova-e2e-ready";

// The stamp names the Wine that made the prefix: a prefix from another
// version may not start (a 64-bit-only prefix failed once wine32 came in).
std::string wineVersion(const fs::path& scratch) {
  const fs::path out = scratch / "wine-version.txt";
  fs::remove(out);
  SpawnOptions options;
  options.argv = {"wine", "--version"};
  options.output = out;
  auto child = ChildProcess::spawn(options);
  if (child.waitForExit(std::chrono::seconds(30)) != 0) throw HarnessError("`wine --version` failed");
  std::string version = readFile(out);
  while (!version.empty() && std::isspace(static_cast<unsigned char>(version.back()))) version.pop_back();
  return version;
}

class FileLock {
 public:
  explicit FileLock(const fs::path& file) : fd_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) throw HarnessError("cannot lock " + file.string());
  }
  ~FileLock() { ::close(fd_); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

}  // namespace

Environment wineEnvironment(const fs::path& prefix, const std::string& display) {
  const char* debug = std::getenv("LUMOVA_E2E_WINEDEBUG");
  return {
      {"WINEPREFIX", prefix.string()},
      {"DISPLAY", display},
      {"WINEDEBUG", std::string(debug ? debug : "-all")},
      // No Mono or Gecko installer prompts, and no menu entries in $HOME.
      {"WINEDLLOVERRIDES", std::string("mscoree,mshtml=;winemenubuilder.exe=d")},
      {"WINEARCH", std::nullopt},
      {"WINESERVER", std::nullopt},
      {"WINELOADER", std::nullopt},
  };
}

void runWineTool(const std::vector<std::string>& argv, const Environment& env, const fs::path& log,
                 std::chrono::milliseconds timeout) {
  SpawnOptions options;
  options.argv = argv;
  options.env = env;
  options.output = log;
  auto child = ChildProcess::spawn(options);
  const auto status = child.waitForExit(timeout);
  if (!status) throw HarnessError("`" + argv.front() + "` did not finish in time (see " + log.string() + ")");
  if (*status != 0)
    throw HarnessError("`" + argv.front() + "` failed with status " + std::to_string(*status) + " (see " +
                       log.string() + ")");
}

void WineWatchdog::arm(const Environment& env, const fs::path& log) {
  disarm();
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw HarnessError("pipe for the Wine watchdog failed");
  SpawnOptions options;
  // The waiting part runs in the background of a shell that ends at once, so
  // it is no child of the harness and survives whatever ends the harness.
  options.argv = {"sh", "-c", "{ read -r _ <&3; [ -d \"$WINEPREFIX\" ] && exec wineserver -k; } & exit 0"};
  options.env = env;
  options.output = log;
  options.passFd = fds[0];
  try {
    auto shell = ChildProcess::spawn(options);
    shell.waitForExit(std::chrono::seconds(10));
  } catch (...) {
    ::close(fds[0]);
    ::close(fds[1]);
    throw;
  }
  ::close(fds[0]);
  fd_ = fds[1];
}

void WineWatchdog::disarm() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool ensurePrefixTemplate(const fs::path& dir, std::ostream& progress) {
  const fs::path parent = dir.parent_path();
  fs::create_directories(parent);
  FileLock lock(fs::path(dir).concat(".lock"));
  const std::string version = wineVersion(parent);
  if (fs::exists(dir / kReadyStamp) && readFile(dir / kReadyStamp) == version) return false;

  progress << "creating the Wine prefix template " << dir << " (" << version << ")" << std::endl;
  const fs::path partial = fs::path(dir).concat(".partial");
  const fs::path log = fs::path(dir).concat(".log");
  fs::remove_all(partial);
  fs::remove_all(dir);
  fs::remove(log);
  // wineboot opens windows; give it a display of its own.
  XSession screen;
  screen.start(1024, 768, fs::path(dir).concat(".xvfb.log"));
  const Environment env = wineEnvironment(partial, screen.displayName());
  WineWatchdog watchdog;
  watchdog.arm(env, log);
  runWineTool({"wineboot", "-i"}, env, log, std::chrono::minutes(4));
  // Without a window manager, managed windows stall about 2 s whenever one is
  // hidden or destroyed, and dialogs never get the keyboard focus.
  runWineTool(
      {"wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/t", "REG_SZ", "/d", "N", "/f"}, env,
      log, std::chrono::minutes(1));
  // The registry reaches the disk when the server ends.
  runWineTool({"wineserver", "-w"}, env, log, std::chrono::minutes(1));
  screen.stop();
  std::ofstream(partial / kReadyStamp, std::ios::binary) << version;
  fs::rename(partial, dir);
  return true;
}

bool shareableInPrefixCopy(const fs::path& relative) {
  static const char* const kProgramTypes[] = {
      ".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm",      ".ax",    ".tlb",   ".nls",   ".ds",
      ".mui", ".com", ".scr", ".vxd", ".ttf", ".fon", ".msstyles", ".dll16", ".drv16", ".exe16", ".mod16"};
  auto it = relative.begin();
  if (it == relative.end() || *it != "drive_c") return false;
  if (++it == relative.end() || *it != "windows") return false;
  std::string ext = relative.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return std::find(std::begin(kProgramTypes), std::end(kProgramTypes), ext) != std::end(kProgramTypes);
}

void copyPrefix(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::remove_all(to, error);
  fs::create_directories(to, error);
  if (error) throw HarnessError("cannot create " + to.string() + ": " + error.message());
  for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator(); ++it) {
    // Lexically: fs::relative would resolve the links of dosdevices.
    const fs::path relative = it->path().lexically_relative(from);
    const fs::path target = to / relative;
    const auto status = it->symlink_status();
    if (fs::is_symlink(status)) {
      // As the link text, unresolved: "z:" points at "/" and "c:" at "../drive_c".
      const fs::path link = fs::read_symlink(it->path(), error);
      if (!error) fs::create_symlink(link, target, error);
    } else if (fs::is_directory(status)) {
      fs::create_directory(target, error);
    } else if (shareableInPrefixCopy(relative)) {
      fs::create_hard_link(it->path(), target, error);
    } else {
      fs::copy_file(it->path(), target, error);
    }
    if (error) throw HarnessError("cannot copy " + it->path().string() + ": " + error.message());
  }
}

}  // namespace lumova::e2e
