// Tests of the harness's own parts that need no Wine: texts handed to the
// launcher, the prefix copy, pictures, child processes, and (on a private
// Xvfb) windows, capture and synthetic input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "e2e/files.h"
#include "e2e/image.h"
#include "e2e/process.h"
#include "e2e/wait.h"
#include "e2e/wine_desktop.h"
#include "e2e/wine_prefix.h"

namespace lumova::e2e {
namespace {
namespace fs = std::filesystem;

// A fresh folder for one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "lumova-e2e-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(Launch, HexEncodesEveryByte) {
  const struct {
    std::string bytes, hex;
  } rows[] = {
      {"", ""},
      {" /s", "202f73"},
      {std::string("\0\xff", 2), "00ff"},
      {"\"C:\\a b\"", "22433a5c61206222"},
      {"\xc3\xa9", "c3a9"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row " + row.hex);
    EXPECT_EQ(hexEncode(row.bytes), row.hex);
  }
}

TEST(Launch, CommandLineIsQuotedProgramThenTheTextAsGiven) {
  const struct {
    std::string text, line;
  } rows[] = {
      {"/s", R"("C:\Lumova\Lumova.scr" /s)"},
      {" /s", R"("C:\Lumova\Lumova.scr"  /s)"},
      {"", R"("C:\Lumova\Lumova.scr")"},
      {"/p 1234 ", R"("C:\Lumova\Lumova.scr" /p 1234 )"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("argument text [" + row.text + "]");
    EXPECT_EQ(commandLineFor(R"(C:\Lumova\Lumova.scr)", row.text), row.line);
  }
}

TEST(Launch, WindowsPathsUseDriveCInsideThePrefixAndZElsewhere) {
  const fs::path driveC = "/b/work/t/prefix/drive_c";
  const struct {
    fs::path file;
    std::string windows;
  } rows[] = {
      {"/b/work/t/prefix/drive_c/Lumova/Lumova.scr", R"(C:\Lumova\Lumova.scr)"},
      {"/b/work/t/prefix/drive_c", R"(C:\)"},
      {"/b/work/t/prefix/drive_c/e2e/../x.txt", R"(C:\x.txt)"},
      {"/b/work/t/prefix/drive_cc/x.txt", R"(Z:\b\work\t\prefix\drive_cc\x.txt)"},
      {"/tmp/win64/e2e/launcher.exe", R"(Z:\tmp\win64\e2e\launcher.exe)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file.string());
    EXPECT_EQ(windowsPathFor(driveC, row.file), row.windows);
  }
}

TEST(Launch, CrashLinesAreTheMarkedOnesOnly) {
  const std::string log =
      "fixme:ole:something\n"
      "wine: Unhandled page fault on write access to 0000000000000000 at address 0000000140001615 (thread 0148), "
      "starting debugger...\n"
      "err:ntdll:RtlpWaitForCriticalSection section wait timed out\n"
      "wine: Unhandled exception 0xc0000409 in thread 24 at address 7B012345 (thread 0024), starting debugger...\n"
      "Unhandled page fault without newline at the end";
  const auto lines = crashLines(log);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("wine: Unhandled page fault", 0), 0u);
  EXPECT_EQ(lines[1].rfind("wine: Unhandled exception", 0), 0u);
  EXPECT_EQ(lines[2], "Unhandled page fault without newline at the end");
  EXPECT_TRUE(crashLines("fixme:x\nerr:y\n").empty());
}

TEST(Launch, SafeFileNameKeepsOnlyPlainCharacters) {
  EXPECT_EQ(safeFileName("Saver/Param.Case-1_x"), "Saver_Param.Case-1_x");
  EXPECT_EQ(safeFileName("a b:c*"), "a_b_c_");
}

TEST(PrefixCopy, SharesOnlyProgramFilesOfTheWindowsFolder) {
  const struct {
    const char* path;
    bool shared;
  } rows[] = {
      {"drive_c/windows/system32/kernel32.dll", true},
      {"drive_c/windows/syswow64/USER32.DLL", true},
      {"drive_c/windows/explorer.exe", true},
      {"drive_c/windows/Fonts/tahoma.ttf", true},
      {"system.reg", false},
      {"user.reg", false},
      {"drive_c/windows/win.ini", false},
      {"drive_c/windows/system32/drivers/etc/hosts", false},
      {"drive_c/users/root/AppData/x.dll", false},
      {"drive_c/Lumova/Lumova.scr", false},
      {"dosdevices/c:", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(shareableInPrefixCopy(row.path), row.shared);
  }
}

TEST(PrefixCopy, CopyCannotChangeTheTemplate) {
  TempDir tmp;
  const fs::path from = tmp.path() / "template", to = tmp.path() / "copy";
  writeFile(from / "drive_c/windows/system32/kernel32.dll", "code");
  writeFile(from / "drive_c/windows/win.ini", "[windows]\n");
  writeFile(from / "user.reg", "REGEDIT4\n");
  fs::create_directories(from / "dosdevices");
  fs::create_directory_symlink("../drive_c", from / "dosdevices/c:");
  fs::create_directory_symlink("/", from / "dosdevices/z:");

  copyPrefix(from, to);
  EXPECT_TRUE(
      fs::equivalent(from / "drive_c/windows/system32/kernel32.dll", to / "drive_c/windows/system32/kernel32.dll"));
  EXPECT_EQ(fs::read_symlink(to / "dosdevices/c:"), "../drive_c");
  EXPECT_EQ(fs::read_symlink(to / "dosdevices/z:"), "/");
  // Wine rewrites these in place; the template must not notice.
  writeFile(to / "user.reg", "changed");
  writeFile(to / "drive_c/windows/win.ini", "changed");
  EXPECT_EQ(readFile(from / "user.reg"), "REGEDIT4\n");
  EXPECT_EQ(readFile(from / "drive_c/windows/win.ini"), "[windows]\n");
}

TEST(Image, RectangleGeometry) {
  const Rect screen{0, 0, 1024, 768};
  EXPECT_TRUE((Rect{-10, -10, 2000, 2000}.contains(screen)));
  EXPECT_TRUE(screen.contains(screen));
  EXPECT_FALSE((Rect{0, 0, 1024, 767}.contains(screen)));
  EXPECT_FALSE((Rect{1, 0, 1024, 768}.contains(screen)));
  EXPECT_EQ((Rect{10, 20, 30, 40}.intersect(Rect{20, 0, 100, 30})), (Rect{20, 20, 20, 10}));
  EXPECT_TRUE((Rect{0, 0, 10, 10}.intersect(Rect{10, 0, 5, 5})).empty());
}

TEST(Image, ComparisonsCountOnlyPixelsBeyondTheTolerance) {
  Image a(8, 6, rgb(10, 10, 10));
  a.fill({2, 1, 3, 2}, rgb(200, 0, 0));
  a.setPixel(7, 5, rgb(14, 10, 10));

  EXPECT_EQ(countDifferent(a, a.bounds(), rgb(10, 10, 10)), 7);
  EXPECT_EQ(countDifferent(a, a.bounds(), rgb(10, 10, 10), 4), 6);
  EXPECT_EQ(boundsOfOther(a, rgb(10, 10, 10), 4), (Rect{2, 1, 3, 2}));
  EXPECT_EQ(uniformColour(a, {2, 1, 3, 2}), rgb(200, 0, 0));
  EXPECT_FALSE(uniformColour(a, {1, 1, 3, 2}));
  EXPECT_FALSE(uniformColour(a, {6, 4, 3, 3})) << "a rectangle leaving the image";

  Image b(4, 4, rgb(10, 10, 10));
  b.fill({1, 1, 3, 2}, rgb(200, 0, 0));
  EXPECT_EQ(countDifferent(a, {2, 1, 3, 2}, b, {1, 1}), 0);
  EXPECT_EQ(countDifferent(a, {1, 0, 4, 4}, b, {0, 0}), 0);
  EXPECT_EQ(countDifferent(a, {2, 1, 3, 2}, b, {0, 0}), 4) << "only b's (1,1) and (2,1) are red there";
  EXPECT_EQ(countDifferent(a, {1, 0, 5, 4}, b, {0, 0}), 4) << "the column beyond b counts as different";
  EXPECT_EQ(a.crop({2, 1, 3, 2}).pixel(2, 1), rgb(200, 0, 0));
}

TEST(Image, PngRoundTrip) {
  TempDir tmp;
  Image a(5, 3, rgb(1, 2, 3));
  a.setPixel(4, 2, rgb(255, 128, 0));
  a.setPixel(0, 1, rgb(0, 0, 255));
  ASSERT_TRUE(savePng(a, tmp.path() / "a.png"));
  const Image b = loadPng(tmp.path() / "a.png");
  ASSERT_EQ(b.width(), 5);
  ASSERT_EQ(b.height(), 3);
  EXPECT_EQ(countDifferent(a, a.bounds(), b, {0, 0}), 0);
  EXPECT_TRUE(loadPng(tmp.path() / "missing.png").empty());
}

TEST(Image, BitmapIsBottomUpBgrWithPaddedRows) {
  TempDir tmp;
  Image a(3, 2, rgb(0x11, 0x22, 0x33));
  a.setPixel(0, 1, rgb(0xAA, 0xBB, 0xCC));  // bottom-left: the first pixel stored
  ASSERT_TRUE(saveBmp(a, tmp.path() / "a.bmp"));
  const std::string bytes = readFile(tmp.path() / "a.bmp");
  const int stride = 12;  // 3 pixels of 3 bytes, padded to 4
  ASSERT_EQ(bytes.size(), 54u + 2 * stride);
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
  };
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(u32(2), bytes.size());
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(18), 3u);
  EXPECT_EQ(u32(22), 2u);
  EXPECT_EQ(bytes.substr(54, 3), "\xCC\xBB\xAA");
  EXPECT_EQ(bytes.substr(57, 3), "\x33\x22\x11");
  EXPECT_EQ(bytes.substr(63, 3), std::string(3, '\0')) << "row padding";
  EXPECT_EQ(bytes.substr(54 + stride, 3), "\x33\x22\x11");
}

TEST(Wait, ReportsWhetherTheConditionHeld) {
  int calls = 0;
  EXPECT_TRUE(waitUntil([&] { return ++calls == 3; }, std::chrono::seconds(5), std::chrono::milliseconds(1)));
  EXPECT_EQ(calls, 3);
  calls = 0;
  EXPECT_FALSE(waitUntil([&] { return ++calls < 0; }, std::chrono::milliseconds(30), std::chrono::milliseconds(5)));
  EXPECT_GE(calls, 2) << "checked again at the deadline";
}

SpawnOptions command(std::vector<std::string> argv) {
  SpawnOptions options;
  options.argv = std::move(argv);
  return options;
}

TEST(Process, ReportsExitCodeAndSignal) {
  auto done = ChildProcess::spawn(command({"sh", "-c", "exit 3"}));
  EXPECT_EQ(done.waitForExit(std::chrono::seconds(10)), 3);
  EXPECT_FALSE(done.running());

  auto sleeper = ChildProcess::spawn(command({"sleep", "60"}));
  EXPECT_FALSE(sleeper.waitForExit(std::chrono::milliseconds(50)));
  EXPECT_TRUE(sleeper.running());
  sleeper.stop(std::chrono::milliseconds(0));
  EXPECT_EQ(sleeper.waitForExit(std::chrono::milliseconds(0)), 128 + 9);
}

TEST(Process, StopEndsTheWholeProcessGroup) {
  TempDir tmp;
  const fs::path pidFile = tmp.path() / "grandchild";
  auto parent = ChildProcess::spawn(command({"sh", "-c", "sleep 60 & echo $! > " + pidFile.string() + "; wait"}));
  ASSERT_TRUE(waitUntil([&] { return readFile(pidFile).ends_with('\n'); }, std::chrono::seconds(10)));
  const pid_t grandchild = std::stoi(readFile(pidFile));
  parent.stop(std::chrono::milliseconds(0));
  // Dead, or a zombie that nobody has reaped yet.
  auto gone = [&] {
    const std::string stat = readFile("/proc/" + std::to_string(grandchild) + "/stat");
    const auto state = stat.find(") ");
    return stat.empty() || (state != std::string::npos && stat.substr(state + 2, 1) == "Z");
  };
  EXPECT_TRUE(waitUntil(gone, std::chrono::seconds(5)));
}

TEST(Process, OutputEnvironmentAndPassedDescriptor) {
  TempDir tmp;
  ::setenv("LUMOVA_E2E_TEST_DROP", "dropped", 1);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  SpawnOptions options =
      command({"sh", "-c", "echo out $KEEP ${LUMOVA_E2E_TEST_DROP:-gone}; echo err >&2; echo fd >&3"});
  options.env = {{"KEEP", "kept"}, {"LUMOVA_E2E_TEST_DROP", std::nullopt}};
  options.output = tmp.path() / "log";
  options.passFd = fds[1];
  auto child = ChildProcess::spawn(options);
  ::close(fds[1]);
  EXPECT_EQ(child.waitForExit(std::chrono::seconds(10)), 0);
  EXPECT_EQ(readFile(tmp.path() / "log"), "out kept gone\nerr\n");
  char buffer[8] = {};
  EXPECT_EQ(::read(fds[0], buffer, sizeof buffer), 3);
  EXPECT_STREQ(buffer, "fd\n");
  ::close(fds[0]);
  ::unsetenv("LUMOVA_E2E_TEST_DROP");
}

TEST(Process, MissingProgramEndsWith127) {
  auto child = ChildProcess::spawn(command({"/nonexistent/program"}));
  EXPECT_EQ(child.waitForExit(std::chrono::seconds(10)), 127);
}

}  // namespace
}  // namespace lumova::e2e
