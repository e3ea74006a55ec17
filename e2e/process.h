#pragma once
// Child processes of the harness: Xvfb, wineserver and Wine programs.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumova::e2e {

struct SpawnOptions {
  std::vector<std::string> argv;  // argv[0] is looked up in PATH
  // Changes to the harness's own environment; nullopt removes a variable.
  std::map<std::string, std::optional<std::string>> env;
  std::filesystem::path cwd;     // empty: the harness's own
  std::filesystem::path output;  // stdout and stderr are appended here; empty: /dev/null
  int passFd = -1;               // handed to the child as descriptor 3
};

// One started program. The child runs in its own process group and is killed
// when the harness dies, so a test killed by its time-out leaves nothing behind.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();  // kills the process group and reaps the child

  // Throws HarnessError when the program cannot be started.
  static ChildProcess spawn(const SpawnOptions& options);

  bool valid() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  bool running();
  // The exit status once the child has ended within the time-out: its exit
  // code, or 128 + the signal that ended it.
  std::optional<int> waitForExit(std::chrono::milliseconds timeout);
  // Sends the signal to the child's process group (no-op once reaped).
  void signal(int sig);
  // SIGTERM, a short grace period, then SIGKILL; always reaps.
  void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

 private:
  bool reap(bool block);
  pid_t pid_ = -1;
  std::optional<int> status_;
};

}  // namespace lumova::e2e
