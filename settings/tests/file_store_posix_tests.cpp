#include "settings/file_store_posix.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace lumova::settings {
namespace {

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/lumova-settings-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  const std::string& path() const { return path_; }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(path_.c_str())) {
      while (dirent* e = ::readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") out.push_back(e->d_name);
      ::closedir(d);
    }
    return out;
  }

 private:
  std::string path_;
};

void put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Fails the save after `budget` bytes, as a full disk would.
class FailingStore : public PosixFileStore {
 public:
  explicit FailingStore(std::size_t budget) : budget_(budget) {}

 protected:
  ssize_t writeSome(int fd, const char* data, std::size_t size) override {
    if (budget_ == 0) {
      errno = ENOSPC;
      return -1;
    }
    std::size_t n = std::min(size, budget_);
    budget_ -= n;
    return PosixFileStore::writeSome(fd, data, n);
  }

 private:
  std::size_t budget_;
};

TEST(PosixFileStore, ReadsWhatItReplaced) {
  TempFolder dir;
  PosixFileStore store;
  std::string path = dir.path() + "/zbfaone.ini";
  put(path + ".tmp", "left by a run ended mid-save");
  EXPECT_FALSE(store.readAll(path).has_value());
  std::string bytes("a\0b\r\n\xFF", 6);
  ASSERT_EQ(store.replaceAtomically(path, bytes), SaveError::None);
  EXPECT_EQ(store.readAll(path), bytes);
  ASSERT_EQ(store.replaceAtomically(path, "second"), SaveError::None);
  EXPECT_EQ(store.readAll(path), "second");
  EXPECT_EQ(dir.names(), std::vector<std::string>{"zbfaone.ini"});
}

TEST(PosixFileStore, FailedWriteLeavesTheOldFileAndNoTemporary) {
  TempFolder dir;
  std::string path = dir.path() + "/zbfaone.ini";
  put(path, "old contents");
  FailingStore store(100);
  EXPECT_EQ(store.replaceAtomically(path, std::string(100000, 'n')), SaveError::WriteFailed);
  EXPECT_EQ(PosixFileStore().readAll(path), "old contents");
  EXPECT_EQ(dir.names(), std::vector<std::string>{"zbfaone.ini"});
}

TEST(PosixFileStore, MissingFolderCannotTakeATemporary) {
  TempFolder dir;
  PosixFileStore store;
  EXPECT_EQ(store.replaceAtomically(dir.path() + "/no/such/zbfaone.ini", "x"), SaveError::CannotCreateTemp);
}

TEST(PosixFileStore, ReadsTellMissingFromAFolderAndWritingIsCheckedAhead) {
  TempFolder dir;
  PosixFileStore store;
  const std::string path = dir.path() + "/zbfaone.ini";
  ReadError error = ReadError::None;
  EXPECT_FALSE(store.read(path, error));
  EXPECT_EQ(error, ReadError::Missing);
  EXPECT_EQ(store.checkWritable(path), SaveError::None);
  EXPECT_TRUE(dir.names().empty()) << "the check leaves nothing behind";
  EXPECT_EQ(store.checkWritable(dir.path() + "/no/such/zbfaone.ini"), SaveError::CannotCreateTemp);
  put(path, "[s]\n");
  EXPECT_EQ(store.read(path, error), "[s]\n");
  EXPECT_EQ(error, ReadError::None);
  ::unlink(path.c_str());
  ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
  EXPECT_FALSE(store.read(path, error));
  EXPECT_EQ(error, ReadError::Folder);
  EXPECT_EQ(store.checkWritable(path), SaveError::Folder);
}

TEST(PosixFileStore, FailedReplaceRemovesTheTemporary) {
  TempFolder dir;
  // A folder where the file should be: the rename cannot replace it.
  std::string path = dir.path() + "/zbfaone.ini";
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
  put(path + "/inside", "kept");
  PosixFileStore store;
  EXPECT_EQ(store.replaceAtomically(path, "x"), SaveError::ReplaceFailed);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"zbfaone.ini"});
  EXPECT_EQ(store.readAll(path + "/inside"), "kept");
}

TEST(PosixFileStore, KeepsTheOldPermissions) {
  TempFolder dir;
  std::string path = dir.path() + "/zbfaone.ini";
  put(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  PosixFileStore store;
  ASSERT_EQ(store.replaceAtomically(path, "new"), SaveError::None);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

}  // namespace
}  // namespace lumova::settings
