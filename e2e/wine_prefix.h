#pragma once
// Wine prefixes for the tests: one template per build tree, made once, and a
// fast private copy of it for every test.

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace lumova::e2e {

using Environment = std::map<std::string, std::optional<std::string>>;

// The environment every Wine process of the harness runs with. WINEDEBUG is
// "-all" unless LUMOVA_E2E_WINEDEBUG says otherwise.
Environment wineEnvironment(const std::filesystem::path& prefix, const std::string& display);

// Runs a Wine tool (wineboot, wineserver, wine reg ...) to its end; its output
// is appended to the log. Throws HarnessError when it fails or overruns.
void runWineTool(const std::vector<std::string>& argv, const Environment& env, const std::filesystem::path& log,
                 std::chrono::milliseconds timeout);

// Ends every Wine process of a prefix if the harness dies without tearing
// down: a CTest time-out kills it outright, and Wine's processes, which are
// not its children, would live on. A detached shell waits for the end of a
// pipe that only the harness holds, then runs `wineserver -k`. Disarming (or
// destroying) closes the pipe; that is harmless once the prefix is gone.
class WineWatchdog {
 public:
  WineWatchdog() = default;
  ~WineWatchdog() { disarm(); }
  WineWatchdog(const WineWatchdog&) = delete;
  WineWatchdog& operator=(const WineWatchdog&) = delete;

  void arm(const Environment& env, const std::filesystem::path& log);  // throws HarnessError
  void disarm();

 private:
  int fd_ = -1;
};

// Makes the template prefix unless one made by this Wine version is there.
// Concurrent callers wait for each other. Returns true if it made one.
// Throws HarnessError.
bool ensurePrefixTemplate(const std::filesystem::path& dir, std::ostream& progress);

// Whether a file of the template (path relative to the prefix) may be shared
// with a copy through a hard link: only program files that Wine never writes.
// Everything else (registry, .ini files, the user's folders) is copied, so a
// test can never change the template through its copy.
bool shareableInPrefixCopy(const std::filesystem::path& relative);

// Copies a prefix, hard-linking what is shareable. Throws HarnessError.
void copyPrefix(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace lumova::e2e
