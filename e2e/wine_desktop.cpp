#include "e2e/files.h"
#include "e2e/wine_desktop.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "e2e/e2e_paths.h"
#include "e2e/harness_error.h"
#include "e2e/wait.h"
#include "e2e/wine_prefix.h"

namespace lumova::e2e {
namespace fs = std::filesystem;
namespace {

// The launcher's own failures, as it reports them (see launcher_win32.c).
// Appends one line with the seconds since `since` to the test's harness.log:
// where a slow test spends its time.
void logStep(const fs::path& workDir, std::string_view step, std::chrono::steady_clock::time_point since) {
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - since;
  std::ofstream(workDir / "harness.log", std::ios::app) << step << ": " << took.count() << " s\n";
}

std::string launcherFailure(int status) {
  switch (status) {
    case 0x01:
      return "the launcher was used wrongly";
    case 0x02:
      return "the launcher could not start the program";
    default:
      return "the launcher ended with status " + std::to_string(status) + " without reporting an exit code";
  }
}

}  // namespace

std::string hexEncode(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 0xF];
  }
  return out;
}

std::string commandLineFor(std::string_view windowsProgram, std::string_view argumentText) {
  std::string line = "\"" + std::string(windowsProgram) + "\"";
  if (!argumentText.empty()) line += " " + std::string(argumentText);
  return line;
}

std::string windowsPathFor(const fs::path& driveC, const fs::path& file) {
  const fs::path absolute = fs::absolute(file).lexically_normal();
  const fs::path inside = absolute.lexically_relative(fs::absolute(driveC).lexically_normal());
  std::string path;
  if (!inside.empty() && *inside.begin() != "..") {
    path = "C:\\" + (inside == "." ? std::string() : inside.string());
  } else {
    path = "Z:" + absolute.string();
  }
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::vector<std::string> crashLines(std::string_view log) {
  static constexpr std::string_view kMarkers[] = {"Unhandled page fault", "Unhandled exception", "starting debugger"};
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    if (end == std::string_view::npos) end = log.size();
    const std::string_view line = log.substr(start, end - start);
    if (std::any_of(std::begin(kMarkers), std::end(kMarkers),
                    [&](std::string_view m) { return line.find(m) != std::string_view::npos; }))
      lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

std::string safeFileName(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') c = '_';
  return out;
}

std::optional<std::uint32_t> WineProcess::exitCode() {
  if (code_) return code_;
  std::error_code error;
  if (!fs::exists(exitFile_, error)) return std::nullopt;
  const std::string text = readFile(exitFile_);
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end == text.data()) throw HarnessError("unreadable exit code file " + exitFile_.string());
  code_ = value;
  return code_;
}

bool WineProcess::running() {
  if (killed_ || exitCode()) return false;
  if (launcher_.running()) return true;
  // The launcher writes the file before it ends; look once more.
  if (exitCode()) return false;
  throw HarnessError(launcherFailure(*launcher_.waitForExit(std::chrono::milliseconds(0))) + " (see " + log_.string() +
                     ")");
}

std::optional<std::uint32_t> WineProcess::waitForExit(std::chrono::milliseconds timeout) {
  // The exit code file appears as soon as the program has ended; the launcher
  // takes a little longer to go.
  waitUntil([&] { return !running(); }, timeout, 10ms);
  return exitCode();
}

void WineProcess::kill() {
  if (killed_ || code_) return;
  killed_ = true;
  launcher_.stop(std::chrono::milliseconds(0));
}

WineDesktop::WineDesktop(std::string name, DesktopOptions options)
    : name_(safeFileName(name)), options_(options), workDir_(workRoot() / name_) {}

WineDesktop::~WineDesktop() {
  try {
    stop();
  } catch (const std::exception& e) {
    std::cerr << "e2e: tearing down " << name_ << ": " << e.what() << "\n";
  }
}

void WineDesktop::start() {
  if (started_) throw HarnessError("desktop " + name_ + " already started");
  const auto begin = std::chrono::steady_clock::now();
  const fs::path launcher = launcherProgram();
  std::error_code error;
  fs::remove_all(workDir_, error);
  fs::create_directories(workDir_, error);
  if (error) throw HarnessError("cannot create " + workDir_.string() + ": " + error.message());
  started_ = true;

  if (options_.monitors.size() > 1)
    screen_.start(options_.monitors, workDir_ / "xvfb.log");
  else
    screen_.start(options_.width, options_.height, workDir_ / "xvfb.log");
  logStep(workDir_, "display " + screen_.displayName() + " up", begin);
  // Normally the CTest fixture has made it; a test run on its own makes it here.
  ensurePrefixTemplate(templatePrefixDir(), std::cout);
  logStep(workDir_, "template checked", begin);
  copyPrefix(templatePrefixDir(), prefixDir());
  logStep(workDir_, "prefix copied", begin);
  fs::create_directories(driveC() / "e2e");
  if (options_.monitors.size() > 1) {
    // With RandR Wine sees the nested server as one monitor; Xinerama tells
    // it the screens.
    runWineTool(
        {"wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "UseXRandR", "/t", "REG_SZ", "/d", "N", "/f"},
        wineEnvironment(prefixDir(), screen_.displayName()), workDir_ / "wine.log", std::chrono::seconds(60));
    logStep(workDir_, "UseXRandR off", begin);
  }

  // One idle Wine process for the whole test: without it Wine closes its
  // desktop a few seconds after each program, and the next start waits for a
  // new one.
  const fs::path ready = driveC() / "e2e" / "idle.ready";
  SpawnOptions options;
  options.argv = {"wine", launcher.string(), "idle", hexEncode(windowsPath(ready))};
  options.env = wineEnvironment(prefixDir(), screen_.displayName());
  options.cwd = workDir_;
  options.output = workDir_ / "wine.log";
  watchdog_.arm(options.env, workDir_ / "wineserver.log");
  idle_ = ChildProcess::spawn(options);
  const bool up = waitUntil([&] { return fs::exists(ready) || !idle_.running(); }, std::chrono::seconds(60), 20ms);
  if (!up || !fs::exists(ready))
    throw HarnessError("Wine did not come up in " + prefixDir().string() + " (see " + (workDir_ / "wine.log").string() +
                       ")");
  logStep(workDir_, "wine desktop up", begin);
}

void WineDesktop::stop() {
  if (!started_) return;
  started_ = false;
  const auto begin = std::chrono::steady_clock::now();
  // Launchers first: each one's job takes its program along.
  for (auto& p : processes_) p.kill();
  std::error_code error;
  if (fs::exists(prefixDir(), error)) {
    const Environment env = wineEnvironment(prefixDir(), screen_.displayName());
    try {
      runWineTool({"wineserver", "-k"}, env, workDir_ / "wineserver.log", std::chrono::seconds(20));
    } catch (const HarnessError&) {
      // No server left to kill is fine; the processes are ended below anyway.
    }
  }
  idle_.stop(std::chrono::milliseconds(0));
  screen_.stop();
  const char* keep = std::getenv("LUMOVA_E2E_KEEP");
  if (!(keep && std::string_view(keep) == "1")) fs::remove_all(prefixDir(), error);
  watchdog_.disarm();
  logStep(workDir_, "stopped", begin);
}

std::string WineDesktop::windowsPath(const fs::path& file) const { return windowsPathFor(driveC(), file); }

fs::path WineDesktop::install(const fs::path& program, const fs::path& folderInDriveC, const std::string& name) {
  const fs::path folder = driveC() / folderInDriveC;
  const fs::path target = folder / (name.empty() ? program.filename() : fs::path(name));
  std::error_code error;
  fs::create_directories(folder, error);
  fs::copy_file(program, target, fs::copy_options::overwrite_existing, error);
  if (error) throw HarnessError("cannot copy " + program.string() + " to " + target.string() + ": " + error.message());
  return target;
}

fs::path WineDesktop::installSaver(std::optional<std::string_view> settings) {
  const fs::path saver = install(saverProgram(), "Lumova", "Lumova.scr");
  if (settings) writeFile(saverDir() / "zbfaone.ini", *settings);
  return saver;
}

WineProcess& WineDesktop::startSaver(std::string_view argumentText) {
  const fs::path saver = saverDir() / "Lumova.scr";
  if (!fs::exists(saver)) throw HarnessError("startSaver: call installSaver first");
  return launch(saver, argumentText);
}

WineProcess& WineDesktop::launch(const fs::path& program, std::string_view argumentText) {
  return launchCommandLine(program, commandLineFor(windowsPath(program), argumentText));
}

WineProcess& WineDesktop::launchCommandLine(const fs::path& program, std::string_view commandLine) {
  if (!started_) throw HarnessError("launch: the desktop is not started");
  WineProcess& process = processes_.emplace_back();
  process.exitFile_ = driveC() / "e2e" / ("exit-" + std::to_string(processes_.size()) + ".txt");
  process.log_ = workDir_ / "wine.log";
  SpawnOptions options;
  options.argv = {"wine",
                  launcherProgram().string(),
                  "run",
                  hexEncode(windowsPath(program)),
                  hexEncode(commandLine),
                  hexEncode(windowsPath(process.exitFile_))};
  options.env = wineEnvironment(prefixDir(), screen_.displayName());
  options.cwd = workDir_;
  options.output = process.log_;
  process.launcher_ = ChildProcess::spawn(options);
  return process;
}

WineRun WineDesktop::runWine(const std::vector<std::string>& args, std::chrono::milliseconds timeout) {
  if (!started_) throw HarnessError("runWine: the desktop is not started");
  const fs::path log = workDir_ / ("run-" + std::to_string(++runs_) + ".log");
  SpawnOptions options;
  options.argv = {"wine"};
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  options.env = wineEnvironment(prefixDir(), screen_.displayName());
  options.cwd = workDir_;
  options.output = log;
  ChildProcess child = ChildProcess::spawn(options);
  WineRun run;
  run.status = child.waitForExit(timeout);
  if (!run.status) child.stop(std::chrono::milliseconds(0));
  run.output = readFile(log);
  std::ofstream(workDir_ / "wine.log", std::ios::binary | std::ios::app) << run.output;
  return run;
}

std::string WineDesktop::wineLog() const { return readFile(workDir_ / "wine.log"); }

std::vector<std::string> WineDesktop::crashReport() const { return crashLines(wineLog()); }

namespace {
// A file read whole (the /proc files tell no size beforehand); empty when it cannot be read.
std::string wholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
}  // namespace

std::optional<pid_t> WineDesktop::saverPid() const {
  const std::string prefix = "WINEPREFIX=" + prefixDir().string();
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string cmdline = wholeFile(entry.path() / "cmdline");
    if (cmdline.find("Lumova.scr") == std::string::npos || cmdline.find("launcher") != std::string::npos) continue;
    if (wholeFile(entry.path() / "environ").find(prefix) == std::string::npos) continue;
    return static_cast<pid_t>(std::stoi(name));
  }
  return std::nullopt;
}

std::string WineDesktop::saverMaps() const {
  const std::optional<pid_t> pid = saverPid();
  return pid ? wholeFile("/proc/" + std::to_string(*pid) + "/maps") : std::string();
}

}  // namespace lumova::e2e
