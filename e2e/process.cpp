#include "e2e/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "e2e/harness_error.h"
#include "e2e/wait.h"

extern char** environ;

namespace lumova::e2e {
namespace {

std::vector<std::string> buildEnvironment(const std::map<std::string, std::optional<std::string>>& changes) {
  std::vector<std::string> result;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (!changes.contains(name)) result.push_back(std::move(entry));
  }
  for (const auto& [name, value] : changes)
    if (value) result.push_back(name + "=" + *value);
  return result;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (auto& t : texts) result.push_back(t.data());
  result.push_back(nullptr);
  return result;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), status_(std::exchange(other.status_, std::nullopt)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    stop(std::chrono::milliseconds(0));
    pid_ = std::exchange(other.pid_, -1);
    status_ = std::exchange(other.status_, std::nullopt);
  }
  return *this;
}

ChildProcess::~ChildProcess() { stop(std::chrono::milliseconds(0)); }

ChildProcess ChildProcess::spawn(const SpawnOptions& options) {
  if (options.argv.empty()) throw HarnessError("spawn: no program given");
  // Everything the child needs is prepared before fork: between fork and exec
  // only async-signal-safe calls are allowed.
  std::vector<std::string> args = options.argv;
  std::vector<std::string> env = buildEnvironment(options.env);
  std::vector<char*> argp = pointers(args), envp = pointers(env);
  Fd devnull(::open("/dev/null", O_RDWR | O_CLOEXEC));
  const std::string outputPath = options.output.empty() ? std::string() : options.output.string();
  Fd output(outputPath.empty() ? -1 : ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (devnull.get() < 0 || (!outputPath.empty() && output.get() < 0))
    throw HarnessError("spawn " + args[0] + ": cannot open " + outputPath + ": " + std::strerror(errno));
  const std::string cwd = options.cwd.string();
  const pid_t parent = ::getpid();

  const pid_t pid = ::fork();
  if (pid < 0) throw HarnessError(std::string("fork: ") + std::strerror(errno));
  if (pid == 0) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    const int out = output.get() >= 0 ? output.get() : devnull.get();
    ::dup2(devnull.get(), 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    int firstToClose = 3;
    if (options.passFd >= 0) {
      if (options.passFd == 3) {
        ::fcntl(3, F_SETFD, 0);
      } else {
        ::dup2(options.passFd, 3);
      }
      firstToClose = 4;
    }
    ::close_range(firstToClose, ~0U, 0);
    if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(127);
    ::execvpe(argp[0], argp.data(), envp.data());
    ::_exit(127);
  }
  // Also from this side, so that a signal sent at once reaches the group.
  ::setpgid(pid, pid);
  ChildProcess child;
  child.pid_ = pid;
  return child;
}

bool ChildProcess::reap(bool block) {
  if (pid_ <= 0) return true;
  if (status_) return true;
  int raw = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_, &raw, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  if (r < 0) {
    status_ = 255;  // not our child any more; nothing left to wait for
  } else {
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  }
  return true;
}

bool ChildProcess::running() { return valid() && !reap(false); }

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
  if (!valid()) return std::nullopt;
  if (!waitUntil([&] { return reap(false); }, timeout, std::chrono::milliseconds(10))) return std::nullopt;
  return status_;
}

void ChildProcess::signal(int sig) {
  if (valid() && !status_) ::kill(-pid_, sig);
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
  if (!valid() || reap(false)) return;
  if (grace.count() > 0) {
    signal(SIGTERM);
    if (waitForExit(grace)) return;
  }
  signal(SIGKILL);
  reap(true);
}

}  // namespace lumova::e2e
