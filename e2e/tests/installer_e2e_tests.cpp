// The real installer under Wine, run silently as an administrator deploying it
// would: where it puts the saver, how it selects it, upgrades and removal.
#include <gtest/gtest.h>

#include <cstdlib>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/files.h"
#include "e2e/e2e_test.h"
#include "e2e/wait.h"

namespace lumova::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kDesktopKey = "HKCU\\Control Panel\\Desktop";
const std::string kUninstallKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumova";
const std::string kUserShellFolders =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
// The user's folder has a blank in its name, as "C:\Users\Jane Doe" often has
// on Windows. Wine names the profile after the Unix user, so Local AppData is
// moved there instead.
const std::string kLocalAppData = "C:\\users\\Jane Doe\\AppData\\Local";
const std::string kInstallDir = kLocalAppData + "\\Programs\\Lumova";
const std::string kShortcutName = "Lumova Screen Saver Settings.lnk";

std::uint32_t le(const std::string& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
  return value;
}

// Text as a shell link stores its strings: UTF-16, little-endian.
std::string utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += {c, '\0'};
  return out;
}

// IMAGE_FILE_HEADER.Machine: 0x8664 for x86_64, 0x14c for i686.
std::uint32_t peMachine(const std::string& exe) { return le(exe, le(exe, 0x3c, 4) + 4, 2); }

// VS_FIXEDFILEINFO's file version as "major.minor.patch.build".
std::string fileVersion(const std::string& exe) {
  const std::size_t at = exe.find("\xBD\x04\xEF\xFE");
  if (at == std::string::npos) return "none";
  const std::uint32_t ms = le(exe, at + 8, 4), ls = le(exe, at + 12, 4);
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
         std::to_string(ls & 0xFFFF);
}

class InstallerE2E : public E2ETest {
 protected:
  void SetUp() override {
    // The installer is a 32-bit program (NSIS makes no other): it needs
    // Wine's 32-bit loader and a kernel that runs 32-bit programs.
    if (std::system("can-run-32bit") != 0) GTEST_SKIP() << "32-bit programs cannot run here (can-run-32bit --reason)";
    E2ETest::SetUp();
    fs::create_directories(unixPath(kLocalAppData));
    const WineRun moved = desktop().runWine(
        {"reg", "add", kUserShellFolders, "/v", "Local AppData", "/t", "REG_EXPAND_SZ", "/d", kLocalAppData, "/f"},
        30s);
    ASSERT_EQ(moved.status, 0);
  }

  fs::path unixPath(const std::string& windowsPath) {
    std::string relative = windowsPath.substr(3);  // after "C:\"
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return desktop().driveC() / relative;
  }
  fs::path installDir() { return unixPath(kInstallDir); }

  // Installs silently; true once the installer has ended with success.
  bool install() { return desktop().launch(LUMOVA_INSTALLER, "/S").waitForExit(60s) == 0u; }

  // A value as `reg query` shows it; nothing if there is none.
  std::optional<std::string> regValue(const std::string& key, const std::string& name) {
    const WineRun run = desktop().runWine({"reg", "query", key, "/v", name}, 30s);
    if (run.status != 0) return std::nullopt;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::string head = "    " + name + "    REG_";
      if (line.rfind(head, 0) != 0) continue;
      const std::size_t data = line.find("    ", head.size());
      return data == std::string::npos ? "" : line.substr(data + 4);
    }
    return std::nullopt;
  }
  bool regKeyExists(const std::string& key) { return desktop().runWine({"reg", "query", key}, 30s).status == 0; }

  // Every Start-menu shortcut of ours in the prefix, whoever's profile it is in.
  std::vector<fs::path> shortcuts() {
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(desktop().driveC() / "users"))
      if (entry.path().filename() == kShortcutName) found.push_back(entry.path());
    return found;
  }

  // Uninstalls as a deployment script would, with the registered quiet
  // command; the uninstaller re-runs itself from %TEMP% and removes its own
  // file last.
  void uninstallQuietly() {
    const auto quiet = regValue(kUninstallKey, "QuietUninstallString");
    ASSERT_EQ(quiet, "\"" + kInstallDir + "\\Uninstall.exe\" /S");
    ASSERT_EQ(desktop().runWine({kInstallDir + "\\Uninstall.exe", "/S"}, 60s).status, 0);
    ASSERT_TRUE(waitUntil([&] { return !fs::exists(installDir() / "Uninstall.exe"); }, 30s, 100ms))
        << "the uninstaller did not finish";
  }
};

TEST_F(InstallerE2E, SilentInstallPutsTheSaverInTheUsersProgramsAndSelectsIt) {
  ASSERT_TRUE(install());
  const std::string scr = readFile(installDir() / "Lumova.scr");
  ASSERT_FALSE(scr.empty()) << "no Lumova.scr in " << installDir();
  EXPECT_EQ(peMachine(scr), 0x8664u) << "64-bit Windows should get the x86_64 build";
  std::cout << "installed the " << (peMachine(scr) == 0x8664 ? "x86_64" : "i686") << " build\n";
  EXPECT_EQ(fileVersion(scr), std::string(LUMOVA_VERSION) + ".0");
  EXPECT_NE(scr.find("name=\"Lumova.ScreenSaver\" version=\"" LUMOVA_VERSION ".0\""), std::string::npos)
      << "the manifest's version is not the project's";
  EXPECT_TRUE(fs::exists(installDir() / "Uninstall.exe"));
  EXPECT_FALSE(fs::exists(installDir() / "zbfaone.ini")) << "the installer wrote settings";
  const auto links = shortcuts();
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0].parent_path().filename(), "Programs");

  // The form the system can start unquoted: no blank, no quotes.
  const auto selected = regValue(kDesktopKey, "SCRNSAVE.EXE");
  ASSERT_TRUE(selected);
  EXPECT_EQ(selected->find_first_of(" \""), std::string::npos) << *selected;
  EXPECT_EQ(selected->rfind("C:\\users\\", 0), 0u) << *selected;
  EXPECT_EQ(regValue(kDesktopKey, "ScreenSaveActive"), "1");

  EXPECT_EQ(regValue(kUninstallKey, "DisplayName"), "Lumova Screen Saver");
  EXPECT_EQ(regValue(kUninstallKey, "DisplayVersion"), LUMOVA_VERSION);
  EXPECT_EQ(regValue(kUninstallKey, "Publisher"), "Lumova");
  EXPECT_EQ(regValue(kUninstallKey, "DisplayIcon"), kInstallDir + "\\Lumova.scr,0");
  EXPECT_EQ(regValue(kUninstallKey, "UninstallString"), "\"" + kInstallDir + "\\Uninstall.exe\"");
  EXPECT_EQ(regValue(kUninstallKey, "QuietUninstallString"), "\"" + kInstallDir + "\\Uninstall.exe\" /S");
  const auto size = regValue(kUninstallKey, "EstimatedSize");  // KB, shown as 0x...
  ASSERT_TRUE(size);
  EXPECT_GT(std::stoul(*size, nullptr, 16), 100u);
}

TEST_F(InstallerE2E, SystemStartsTheSelectedSaverAndTheShortcutOpensTheSystemsSaverSettings) {
  ASSERT_TRUE(install());
  const std::string teal = std::to_string(0x20 + 0x80 * 256 + 0x90 * 65536);
  writeFile(installDir() / "zbfaone.ini", "[total]\r\ntotal=0\r\n[background]\r\nnewBackColor=" + teal +
                                              "\r\nbackEffect=0\r\n[image]\r\ntimeInterval=0\r\n");

  // As Windows starts it: the value, a blank and the switch, no quotes.
  const auto selected = regValue(kDesktopKey, "SCRNSAVE.EXE");
  ASSERT_TRUE(selected);
  WineProcess& saver = desktop().launchCommandLine(installDir() / "Lumova.scr", *selected + " /s");
  ASSERT_TRUE(screen().waitForWindow("Lumova Screen Saver", 10s)) << "\"" << *selected << " /s\" showed no saver";
  // The colour comes from the settings beside the installed file.
  ASSERT_TRUE(
      waitUntil([&] { return countDifferent(screen().capture(), screen().screen(), rgb(0x20, 0x80, 0x90)) == 0; }, 5s));
  screen().pressKey("Shift_L");
  EXPECT_TRUE(saver.waitForExit(5s)) << "a key did not end the saver";

  // The shortcut opens Windows' own screen saver settings (Wine has none to
  // open), never the .scr through its registered "%1" /S.
  const auto links = shortcuts();
  ASSERT_EQ(links.size(), 1u);
  std::string link = readFile(links[0]);
  std::transform(link.begin(), link.end(), link.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
  EXPECT_NE(link.find("\\system32\\control.exe"), std::string::npos) << "the shortcut does not start control.exe";
  EXPECT_NE(link.find(utf16("desk.cpl,,@screensaver")), std::string::npos) << "the shortcut's arguments";
}

// The value SCRNSAVE.EXE gets, by the installer's own code: the short form
// where there is one, the long path where it holds no blank, else none.
TEST_F(InstallerE2E, SelectionTakesAPathWithoutABlankOrNone) {
  struct Row {
    std::string longPath, shortForm, value;
  };
  const std::string spaced = "C:\\users\\Jane Doe\\AppData\\Local\\Programs\\Lumova\\Lumova.scr";
  const std::string plain = "C:\\users\\jane\\AppData\\Local\\Programs\\Lumova\\Lumova.scr";
  const std::vector<Row> rows = {
      {spaced, "C:\\users\\JANEDO~1\\AppData\\Local\\Programs\\Lumova\\Lumova.scr",
       "C:\\users\\JANEDO~1\\AppData\\Local\\Programs\\Lumova\\Lumova.scr"},
      {spaced, spaced, ""},  // a volume without short names gives the long path back
      {spaced, "", ""},      // no short form could be read
      {plain, plain, plain},
      {plain, "", plain},
      {"C:\\Lumova\\Lumova.scr", "C:\\Lumova\\Lumova.scr", "C:\\Lumova\\Lumova.scr"},
  };
  const fs::path check = LUMOVA_SELECTION_CHECK;
  std::string input;
  for (const Row& r : rows) input += r.longPath + "|" + r.shortForm + "\r\n";
  writeFile(check.parent_path() / "rows.txt", input);
  fs::remove(check.parent_path() / "results.txt");
  ASSERT_EQ(desktop().launch(check, "").waitForExit(60s), 0u);
  std::istringstream results(readFile(check.parent_path() / "results.txt"));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.longPath + " | " + r.shortForm);
    std::string line;
    ASSERT_TRUE(std::getline(results, line));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    EXPECT_EQ(line, r.value);
  }
}

TEST_F(InstallerE2E, InstallingOverAnInstallationKeepsTheSettingsByteForByte) {
  ASSERT_TRUE(install());
  const std::string packaged = readFile(installDir() / "Lumova.scr");
  // Blank lines, odd spacing, a password and a non-ASCII byte: nothing may touch them.
  const std::string settings =
      "[total]\r\ntotal=1\r\n[images]\r\n0=C:\\Pictures\\caf\xE9.jpg\r\n\r\n"
      "[password]\r\nsaverPassword = secret \r\nsaverEnabled=1\r\n";
  writeFile(installDir() / "zbfaone.ini", settings);
  writeFile(installDir() / "Lumova.scr", "an older Lumova.scr");

  ASSERT_TRUE(install());
  EXPECT_EQ(readFile(installDir() / "zbfaone.ini"), settings);
  EXPECT_TRUE(readFile(installDir() / "Lumova.scr") == packaged) << "the upgrade did not replace Lumova.scr";
}

TEST_F(InstallerE2E, SilentUninstallRemovesTheProgramAndItsSelectionButKeepsTheSettings) {
  ASSERT_TRUE(install());
  const std::string settings = "[total]\r\ntotal=0\r\n";
  writeFile(installDir() / "zbfaone.ini", settings);

  ASSERT_NO_FATAL_FAILURE(uninstallQuietly());
  EXPECT_FALSE(fs::exists(installDir() / "Lumova.scr"));
  EXPECT_EQ(readFile(installDir() / "zbfaone.ini"), settings) << "a silent uninstall must keep the settings";
  EXPECT_TRUE(shortcuts().empty());
  EXPECT_FALSE(regKeyExists(kUninstallKey));
  EXPECT_EQ(regValue(kDesktopKey, "SCRNSAVE.EXE"), std::nullopt);
}

TEST_F(InstallerE2E, UninstallLeavesASaverChosenSinceAlone) {
  ASSERT_TRUE(install());
  const std::string other = "C:\\windows\\system32\\other.scr";
  ASSERT_EQ(desktop().runWine({"reg", "add", kDesktopKey, "/v", "SCRNSAVE.EXE", "/d", other, "/f"}, 30s).status, 0);

  ASSERT_NO_FATAL_FAILURE(uninstallQuietly());
  EXPECT_FALSE(fs::exists(installDir()));
  EXPECT_EQ(regValue(kDesktopKey, "SCRNSAVE.EXE"), other);
}

}  // namespace
}  // namespace lumova::e2e
