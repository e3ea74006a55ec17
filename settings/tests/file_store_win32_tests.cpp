// The Windows file store: a save is all or nothing, even when the process
// is killed in the middle of it, and a failed save leaves the old file and
// no temporary file behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "settings/file_store_win32.h"
#include "settings/settings_store.h"

namespace lumova::settings {
namespace {

constexpr wchar_t kChildPathVar[] = L"LUMOVA_SAVE_CHILD_PATH";
constexpr wchar_t kChildEventVar[] = L"LUMOVA_SAVE_CHILD_EVENT";

class Folder {
 public:
  explicit Folder(const std::string& tag) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "lumova-store-" + tag + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~Folder() {
    for (const std::string& name : names()) {
      std::string p = path_ + "\\" + name;
      SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileA(p.c_str())) RemoveDirectoryA(p.c_str());
    }
    RemoveDirectoryA(path_.c_str());
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "\\" + name; }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
      std::string n = found.cFileName;
      if (n != "." && n != "..") out.push_back(n);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return out;
  }

 private:
  std::string path_;
};

std::string content(char fill, std::size_t size) {
  std::string s(size, fill);
  // Distinct lines, so that a torn file could not pass for a whole one.
  for (std::size_t i = 0; i + 16 < size; i += 4096) s.replace(i, 12, std::to_string(i).append(12, ' ').substr(0, 12));
  return s;
}

const std::size_t kBigSize = 24u << 20;  // large enough for a save to take a while

// The child side of the kill test: saves two contents in turn until it is
// killed. Runs only when the parent test starts this binary for it.
TEST(AtomicSaveChild, SavesUntilKilled) {
  wchar_t path[MAX_PATH] = {}, eventName[128] = {};
  if (!GetEnvironmentVariableW(kChildPathVar, path, MAX_PATH) ||
      !GetEnvironmentVariableW(kChildEventVar, eventName, 128))
    GTEST_SKIP() << "runs only as the child of KillAtAnyMomentLeavesOldOrNew";
  char utf8[MAX_PATH * 3];
  WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8, sizeof utf8, nullptr, nullptr);
  const std::string a = content('a', kBigSize), b = content('b', kBigSize + 1);
  HANDLE started = OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName);
  Win32FileStore store;
  for (int i = 0;; ++i) {
    if (i == 0 && started) SetEvent(started);
    if (store.replaceAtomically(utf8, i % 2 ? b : a) != SaveError::None) return;
  }
}

TEST(Win32FileStore, KillAtAnyMomentLeavesOldOrNew) {
  Folder folder("kill");
  const std::string path = folder.file("zbfaone.ini");
  const std::string old = content('o', 4096);
  const std::string a = content('a', kBigSize), b = content('b', kBigSize + 1);
  Win32FileStore store;

  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::wstring eventName = L"lumova-save-started-" + std::to_wstring(GetCurrentProcessId());
  SetEnvironmentVariableW(kChildPathVar, win32::toWide(path).c_str());
  SetEnvironmentVariableW(kChildEventVar, eventName.c_str());

  std::mt19937 rng(12345);
  int sawOld = 0, sawNew = 0, midSave = 0;
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(store.replaceAtomically(path, old), SaveError::None);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"zbfaone.ini"}) << "what a killed save left stays";
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=AtomicSaveChild.SavesUntilKilled";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    // Kill it somewhere in its first saves: before, during or between them.
    ASSERT_EQ(WaitForSingleObject(started, 60000), WAIT_OBJECT_0);
    // Half the kills fall early, most likely inside the very first save.
    DWORD delay = std::uniform_int_distribution<DWORD>(0, round % 2 ? 400 : 40)(rng);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, delay), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(started);

    std::optional<std::string> now = store.readAll(path);
    ASSERT_TRUE(now.has_value()) << "the file is missing after a kill " << delay << " ms in";
    bool whole = *now == old || *now == a || *now == b;
    ASSERT_TRUE(whole) << "torn file of " << now->size() << " bytes after a kill " << delay << " ms in";
    (*now == old ? sawOld : sawNew)++;
    // A killed save cannot clean up its temporary file: one left behind
    // shows that the kill fell inside a save. The next save takes it over.
    midSave += folder.names().size() > 1;
  }
  // The child saves without pause, so nearly every kill lands inside one.
  EXPECT_GT(midSave, 0);
  SetEnvironmentVariableW(kChildPathVar, nullptr);
  SetEnvironmentVariableW(kChildEventVar, nullptr);
  std::printf("kills: %d inside a save; %d left the old file, %d a new one\n", midSave, sawOld, sawNew);
}

// Fails after `budget` bytes, as a full disk would.
class FailingStore : public Win32FileStore {
 public:
  explicit FailingStore(std::uint32_t budget) : budget_(budget) {}
  int calls = 0;

 protected:
  bool writeSome(void* file, const char* data, std::uint32_t size, std::uint32_t* written) override {
    ++calls;
    if (budget_ == 0) {
      SetLastError(ERROR_DISK_FULL);
      *written = 0;
      return false;
    }
    std::uint32_t n = size < budget_ ? size : budget_;
    budget_ -= n;
    return Win32FileStore::writeSome(file, data, n, written);
  }

 private:
  std::uint32_t budget_;
};

TEST(Win32FileStore, WriteFailingMidwayKeepsTheOldFile) {
  Folder folder("full");
  const std::string path = folder.file("zbfaone.ini");
  Win32FileStore plain;
  ASSERT_EQ(plain.replaceAtomically(path, "[total]\r\ntotal=1\r\n"), SaveError::None);
  FailingStore failing(1000);
  EXPECT_EQ(failing.replaceAtomically(path, content('n', 1 << 20)), SaveError::WriteFailed);
  EXPECT_GE(failing.calls, 2);  // it did write part of the file first
  EXPECT_EQ(plain.readAll(path), "[total]\r\ntotal=1\r\n");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"zbfaone.ini"});
}

TEST(Win32FileStore, ReadOnlyTargetIsReportedAndKept) {
  Folder folder("readonly");
  const std::string path = folder.file("zbfaone.ini");
  Win32FileStore store;
  ASSERT_EQ(store.replaceAtomically(path, "old"), SaveError::None);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(store.replaceAtomically(path, "new"), SaveError::ReplaceFailed);
  EXPECT_EQ(store.readAll(path), "old");
  EXPECT_EQ(folder.names(), std::vector<std::string>{"zbfaone.ini"});
}

TEST(Win32FileStore, FolderInTheWayIsReportedAndKept) {
  Folder folder("dir");
  const std::string path = folder.file("zbfaone.ini");
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
  Win32FileStore store;
  EXPECT_EQ(store.replaceAtomically(path, "new"), SaveError::ReplaceFailed);
  EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(folder.names(), std::vector<std::string>{"zbfaone.ini"});
}

TEST(Win32FileStore, ReadsTellMissingFromUnreadableAndWritingIsCheckedAhead) {
  Folder folder("check");
  Win32FileStore store;
  const std::string path = folder.file("zbfaone.ini");
  ReadError error = ReadError::None;
  EXPECT_FALSE(store.read(path, error));
  EXPECT_EQ(error, ReadError::Missing);
  EXPECT_EQ(store.checkWritable(path), SaveError::None);
  EXPECT_EQ(folder.names(), std::vector<std::string>{}) << "the check leaves nothing behind";
  EXPECT_EQ(store.checkWritable(folder.file("no-such-folder\\zbfaone.ini")), SaveError::CannotCreateTemp);

  ASSERT_EQ(store.replaceAtomically(path, "[s]\r\n"), SaveError::None);
  {
    // Another program holding the file open, sharing nothing.
    win32::UniqueFile held(
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(store.read(path, error));
    EXPECT_EQ(error, ReadError::InUse);
    SettingsStore settings(store, path);
    EXPECT_EQ(settings.readError(), ReadError::InUse);
    held.close();
    EXPECT_EQ(settings.reload(), ReadError::None);
  }
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(store.checkWritable(path), SaveError::ReplaceFailed);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  DeleteFileA(path.c_str());

  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
  EXPECT_FALSE(store.read(path, error));
  EXPECT_EQ(error, ReadError::Folder);
  EXPECT_EQ(store.checkWritable(path), SaveError::Folder);
}

TEST(Win32FileStore, MissingFolderIsReportedThroughTheStore) {
  Folder folder("missing");
  Win32FileStore files;
  SettingsStore store(files, folder.file("no-such-folder\\zbfaone.ini"));
  store.write("total", "total", "0");
  EXPECT_EQ(store.save(), SaveError::CannotCreateTemp);
  EXPECT_TRUE(folder.names().empty());
}

TEST(Win32FileStore, NonAsciiPathsAreUtf8) {
  Folder folder("utf8");
  const std::string path = folder.file("\xC3\xA9t\xC3\xA9 \xE6\x97\xA5.ini");  // "été 日.ini"
  Win32FileStore store;
  ASSERT_EQ(store.replaceAtomically(path, "x"), SaveError::None);
  EXPECT_EQ(store.readAll(path), "x");
  std::wstring wide = win32::toWide(path);
  EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(wide.find(L"\u00E9t\u00E9 \u65E5"), std::wstring::npos);
  DeleteFileW(wide.c_str());
}

}  // namespace
}  // namespace lumova::settings
