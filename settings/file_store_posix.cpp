#include "settings/file_store_posix.h"
#include "settings/text_codec.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace lumova::settings {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now; false when the close reports an error (a lost write).
  bool reset() {
    if (fd_ < 0) return true;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

 private:
  int fd_;
};

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::optional<std::string> PosixFileStore::read(const std::string& path, ReadError& error) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    error = errno == ENOENT || errno == ENOTDIR ? ReadError::Missing : ReadError::Unreadable;
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode)) {
    error = ReadError::Folder;
    return std::nullopt;
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = ReadError::Unreadable;
      return std::nullopt;
    }
    if (n == 0) {
      error = ReadError::None;
      return bytes;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

SaveError PosixFileStore::checkWritable(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return SaveError::Folder;
    if (::access(path.c_str(), W_OK) != 0) return SaveError::ReplaceFailed;
  }
  std::string pattern = path + ".check.XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  Fd fd(::mkstemp(name.data()));
  if (!fd.valid()) return SaveError::CannotCreateTemp;
  ::unlink(name.data());
  return SaveError::None;
}

ssize_t PosixFileStore::writeSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }

SaveError PosixFileStore::replaceAtomically(const std::string& path, const std::string& bytes) {
  // One name per target: what a run ended mid-save left (perhaps with the
  // old file's read-only mode) goes at the next save. Saves of one file come
  // from one writer at a time.
  const std::string temp = path + ".tmp";
  ::unlink(temp.c_str());
  Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!fd.valid()) return SaveError::CannotCreateTemp;

  auto fail = [&](SaveError error) {
    fd.reset();
    ::unlink(temp.c_str());
    return error;
  };

  // Keep the old file's permissions; a new file gets the usual ones.
  struct stat old {};
  mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  ::fchmod(fd.get(), mode);

  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = writeSome(fd.get(), data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(SaveError::WriteFailed);
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::fsync(fd.get()) != 0) return fail(SaveError::FlushFailed);
  if (!fd.reset()) return fail(SaveError::FlushFailed);
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail(SaveError::ReplaceFailed);

  // Make the rename itself durable; the new file is in place either way.
  Fd folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.valid()) ::fsync(folder.get());
  return SaveError::None;
}

std::unique_ptr<FileStore> makeSystemFileStore() { return std::make_unique<PosixFileStore>(); }

}  // namespace lumova::settings
