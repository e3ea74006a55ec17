#include "e2e/e2e_paths.h"

#include <cstdlib>
#include <string>

#include "e2e/harness_error.h"

namespace lumova::e2e {
namespace {

std::filesystem::path configured(const char* variable, const char* builtIn) {
  const char* value = std::getenv(variable);
  return std::filesystem::path(value && *value ? value : builtIn);
}

std::filesystem::path windowsFile(const std::filesystem::path& relative) {
  const auto file = winBuildDir() / relative;
  if (!std::filesystem::is_regular_file(file))
    throw HarnessError("missing " + file.string() + ": build the Windows tree first");
  return file;
}

}  // namespace

std::filesystem::path buildDir() { return configured("LUMOVA_E2E_BUILD_DIR", LUMOVA_E2E_BUILD_DIR); }

std::filesystem::path winBuildDir() {
  auto dir = configured("LUMOVA_WIN_BUILD", LUMOVA_E2E_WIN_BUILD_DIR);
  if (dir.empty())
    throw HarnessError("no Windows build tree: configure with -DLUMOVA_WIN_BUILD=<dir> or set LUMOVA_WIN_BUILD");
  return dir;
}

std::filesystem::path templatePrefixDir() { return buildDir() / "e2e" / "prefix-template"; }
std::filesystem::path workRoot() { return buildDir() / "e2e-work"; }
std::filesystem::path artifactsDir() { return buildDir() / "e2e-artifacts"; }

std::filesystem::path saverProgram() { return windowsFile("startup/Lumova.scr"); }
std::filesystem::path launcherProgram() { return windowsFile("e2e/lumova_e2e_launcher.exe"); }
std::filesystem::path probeProgram() { return windowsFile("e2e/lumova_e2e_probe.exe"); }
std::filesystem::path toolProgram() { return windowsFile("e2e/lumova_e2e_tool.exe"); }

}  // namespace lumova::e2e
